# The Qt layers: dv_ui (the DuiLib contract over Qt Widgets), dv_app (windows, manager, curve
# controls, the skin), the two programs and the app tests. Each is made once its sources exist.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
set(CMAKE_AUTOMOC ON)

# The skin archive as a Qt resource (target dv_skin), when the skin is there.
include(cmake/Skin.cmake OPTIONAL)

dv_collect(DV_UI_SOURCES DIRS ui)
set(DV_UI_CPP ${DV_UI_SOURCES})
list(FILTER DV_UI_CPP INCLUDE REGEX "\\.cpp$")
if(DV_UI_CPP)
  add_library(dv_ui STATIC ${DV_UI_SOURCES})
  target_include_directories(dv_ui PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(dv_ui PUBLIC dv_core Qt6::Widgets PkgConfig::LIBZIP)
  set_target_properties(dv_ui PROPERTIES AUTOMOC ON)
  dv_warnings(dv_ui)
endif()

# Qt-side files: everything in app/ and app/dialogs/ but the core's log and message seam and the
# program entry points, the manager's EqualizerManager, and the curve controls (UI*, C*UI).
dv_collect(DV_APP_SOURCES DIRS app app/dialogs
  EXCLUDE "/app/Log\\." "/app/WindowMessage\\.h" "/app/main[^/]*\\.cpp$")
file(GLOB DV_APP_EXTRA CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/manager/EqualizerManager*
  ${CMAKE_SOURCE_DIR}/curves/UI*.cpp ${CMAKE_SOURCE_DIR}/curves/UI*.h
  ${CMAKE_SOURCE_DIR}/curves/C*UI.cpp ${CMAKE_SOURCE_DIR}/curves/C*UI.h)
list(APPEND DV_APP_SOURCES ${DV_APP_EXTRA})
if(DV_APP_SOURCES AND TARGET dv_ui)
  add_library(dv_app STATIC ${DV_APP_SOURCES})
  target_include_directories(dv_app PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(dv_app PUBLIC dv_ui dv_core PkgConfig::UDEV)
  if(TARGET dv_skin)
    # The resource source is compiled into every program linking dv_app, so its registration
    # is never dropped by the linker.
    target_link_libraries(dv_app PUBLIC dv_skin)
  endif()
  dv_warnings(dv_app)

  if(EXISTS ${CMAKE_SOURCE_DIR}/app/main.cpp)
    add_executable(stormedge-dsp app/main.cpp)
    target_link_libraries(stormedge-dsp PRIVATE dv_app dv_core PkgConfig::HIDAPI)
    install(TARGETS stormedge-dsp RUNTIME DESTINATION bin)
    dv_warnings(stormedge-dsp)
  endif()
  if(EXISTS ${CMAKE_SOURCE_DIR}/app/main_demo.cpp)
    add_executable(stormedge-dsp-demo app/main_demo.cpp)
    target_link_libraries(stormedge-dsp-demo PRIVATE dv_app dv_core dv_sim)
    dv_warnings(stormedge-dsp-demo)
  endif()
endif()

# App tests: the whole app layer when it exists, else the UI layer and the skin on their own.
dv_collect(DV_APP_TEST_SOURCES DIRS tests/app)
if(DV_APP_TEST_SOURCES AND TARGET dv_ui)
  add_executable(app_tests ${DV_APP_TEST_SOURCES})
  if(TARGET dv_app)
    target_link_libraries(app_tests PRIVATE dv_app)
  elseif(TARGET dv_skin)
    target_link_libraries(app_tests PRIVATE dv_skin)
  endif()
  # The core calls the hidapi functions the simulator provides, and the simulator uses the core.
  target_link_libraries(app_tests PRIVATE dv_ui "$<LINK_GROUP:RESCAN,dv_core,dv_sim>"
    Qt6::Test GTest::gtest)
  target_compile_definitions(app_tests PRIVATE DV_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  dv_warnings(app_tests)
  gtest_discover_tests(app_tests DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
