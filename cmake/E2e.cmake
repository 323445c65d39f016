# End-to-end tests of the product program (not the demo) against a unit emulated with umockdev:
# the system hidapi and libudev run for real. Without libumockdev the tests are reported as
# skipped, with the reason.
pkg_check_modules(UMOCKDEV IMPORTED_TARGET umockdev-1.0)
if(UMOCKDEV_FOUND AND NOT DV_SANITIZE)
  dv_collect(DV_E2E_TEST_SOURCES tests/e2e)
  add_executable(e2e_tests ${DV_E2E_TEST_SOURCES})
  target_link_libraries(e2e_tests PRIVATE dv_sim dv_core PkgConfig::UMOCKDEV GTest::gtest)
  pkg_get_variable(UMOCKDEV_LIBDIR umockdev-1.0 libdir)
  target_compile_definitions(e2e_tests PRIVATE
    DV_PRODUCT_PATH="$<TARGET_FILE:stormedge-dsp>"
    DV_UMOCKDEV_PRELOAD="${UMOCKDEV_LIBDIR}/libumockdev-preload.so.0")
  add_dependencies(e2e_tests stormedge-dsp)
  dv_warnings(e2e_tests)
  gtest_discover_tests(e2e_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
elseif(NOT DV_SANITIZE)
  add_test(NAME e2e_tests_unavailable
           COMMAND sh -c "echo 'skipped: libumockdev-dev is not installed (scripts/install-deps.sh installs it)'; exit 77")
  set_tests_properties(e2e_tests_unavailable PROPERTIES SKIP_RETURN_CODE 77)
endif()
