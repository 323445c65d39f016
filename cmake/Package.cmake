# Installation beside the program (desktop entry, icon, AppStream metainfo, the udev rule that
# gives the logged-in user the unit's hidraw node) and the Debian package `make package` builds.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/stormedge-dsp)
set(DV_APP_ID io.github.stormedge.DspPanel)
install(FILES packaging/${DV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${DV_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/${DV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Packages put rules under /usr/lib; `make install` also copies the rule to /etc (see Makefile).
install(FILES packaging/70-stormedge-dv80max.rules DESTINATION lib/udev/rules.d)

# Debian wants the changelog and the manual page compressed reproducibly (gzip -9n).
foreach(doc changelog stormedge-dsp.1)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${doc}.gz
                     COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/${doc} > ${CMAKE_BINARY_DIR}/${doc}.gz
                     DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${doc} VERBATIM)
endforeach()
add_custom_target(dv_package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz
                                              ${CMAKE_BINARY_DIR}/stormedge-dsp.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_BINARY_DIR}/stormedge-dsp.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stormedge-dsp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Stormedge")
set(CPACK_PACKAGE_CONTACT "Stormedge panel developers <panel@stormedge.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for the DV80MAX car-audio processor")
set(CPACK_PACKAGE_DESCRIPTION
    "Finds the unit on USB, reads its whole state and sends every edit at once:\nequalizer, crossovers, volume, mute, phase, delay, speaker roles and routing;\nscenes, profile files, microphone calibration and firmware upgrade.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://stormedge.invalid/dsp")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

# What the package ships, checked in every test run (skipped when a tool is missing).
foreach(check contents udev desktop)
  add_test(NAME package_${check}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-package.sh ${CMAKE_BINARY_DIR} ${check})
  set_tests_properties(package_${check} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)
endforeach()
