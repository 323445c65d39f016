# libFuzzer build (clang). The libraries under the targets are instrumented for coverage as well:
# without it the fuzzer sees only the targets' own files and runs blind.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "DV_FUZZ needs clang: configure with CC=clang CXX=clang++")
endif()
target_compile_options(dv_core PRIVATE -fsanitize=fuzzer-no-link)
target_compile_options(dv_sim PRIVATE -fsanitize=fuzzer-no-link)
# Anything else linking the instrumented core (tests, programs) gets the coverage callbacks.
target_link_options(dv_core INTERFACE -fsanitize=fuzzer-no-link)

# Every fuzz/<name>.cpp is one libFuzzer target fuzz_<name> over the core and the simulator.
file(GLOB DV_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
set(DV_FUZZ_TARGETS "")
foreach(src IN LISTS DV_FUZZ_SOURCES)
  get_filename_component(name ${src} NAME_WE)
  add_executable(fuzz_${name} ${src})
  target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fuzz_${name} PRIVATE dv_core dv_sim)
  list(APPEND DV_FUZZ_TARGETS fuzz_${name})
endforeach()

# Writes the seed corpora under fuzz/corpus/ from the simulator and the profile writer.
add_executable(fuzz_make_seeds ${CMAKE_SOURCE_DIR}/fuzz/seeds/make_seeds.cpp)
target_link_libraries(fuzz_make_seeds PRIVATE dv_core dv_sim)
dv_warnings(fuzz_make_seeds)

add_custom_target(fuzzers DEPENDS ${DV_FUZZ_TARGETS} fuzz_make_seeds)
