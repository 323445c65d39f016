# The Qt layers: dv_ui (the DuiLib contract over Qt Widgets), dv_app (windows, manager, curve
# controls, the skin), the two programs (app/main/) and the app tests.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
set(CMAKE_AUTOMOC ON)

# The skin archive as a Qt resource (target dv_skin).
include(cmake/Skin.cmake)

dv_collect(DV_UI_SOURCES ui)
add_library(dv_ui STATIC ${DV_UI_SOURCES})
target_include_directories(dv_ui PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(dv_ui PUBLIC dv_core Qt6::Widgets PkgConfig::LIBZIP)
dv_warnings(dv_ui)

# dv_app: windows, tool windows, the manager and the custom controls.
dv_collect(DV_APP_SOURCES app app/dialogs manager controls)
add_library(dv_app STATIC ${DV_APP_SOURCES})
target_include_directories(dv_app PUBLIC ${CMAKE_SOURCE_DIR})
# The resource source is compiled into every program linking dv_app, so its registration is never
# dropped by the linker.
target_link_libraries(dv_app PUBLIC dv_ui dv_core dv_skin PkgConfig::UDEV)
dv_warnings(dv_app)

add_executable(stormedge-dsp app/main/stormedge-dsp.cpp)
target_link_libraries(stormedge-dsp PRIVATE dv_app dv_core PkgConfig::HIDAPI)
install(TARGETS stormedge-dsp RUNTIME DESTINATION bin)
include(cmake/Package.cmake)
dv_warnings(stormedge-dsp)

add_executable(stormedge-dsp-demo app/main/stormedge-dsp-demo.cpp)
target_link_libraries(stormedge-dsp-demo PRIVATE dv_app dv_core dv_sim)
dv_warnings(stormedge-dsp-demo)

# App tests: the real skin, windows and manager against the simulated unit.
dv_collect(DV_APP_TEST_SOURCES tests/app)
add_executable(app_tests ${DV_APP_TEST_SOURCES})
target_link_libraries(app_tests PRIVATE dv_app)
# The core calls the hidapi functions the simulator provides, and the simulator uses the core.
target_link_libraries(app_tests PRIVATE dv_ui "$<LINK_GROUP:RESCAN,dv_core,dv_sim>"
  Qt6::Test GTest::gtest)
target_compile_definitions(app_tests PRIVATE DV_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
dv_warnings(app_tests)
gtest_discover_tests(app_tests DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# The product program against an emulated USB unit.
include(cmake/E2e.cmake)
