# Packs skin/ into a zip whose entries use traditional zip encryption with the program's password
# and compiles it into the Qt resource ":/ZIPRES/IDR_ZIPRES" (interface target dv_skin). The zip
# is made at build time in the build tree and never committed.
find_program(DV_ZIP_PROGRAM zip)
file(GLOB_RECURSE DV_SKIN_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/skin/*)
if(DV_SKIN_FILES AND DV_ZIP_PROGRAM)
  set(DV_SKIN_PASSWORD "marlin-crop-vaneth")
  set(DV_SKIN_DIR ${CMAKE_BINARY_DIR}/skin)
  set(DV_SKIN_ZIP ${DV_SKIN_DIR}/IDR_ZIPRES.zip)
  set(DV_SKIN_QRC ${DV_SKIN_DIR}/skin.qrc)
  set(DV_SKIN_RESOURCE ${DV_SKIN_DIR}/qrc_skin.cpp)
  file(MAKE_DIRECTORY ${DV_SKIN_DIR})
  file(WRITE ${DV_SKIN_QRC}
    "<RCC><qresource prefix=\"/ZIPRES\"><file alias=\"IDR_ZIPRES\">IDR_ZIPRES.zip</file></qresource></RCC>\n")
  # -X: no extra file attributes, -D: no directory entries, so the bytes depend only on the files.
  add_custom_command(OUTPUT ${DV_SKIN_ZIP}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${DV_SKIN_ZIP}
    COMMAND ${DV_ZIP_PROGRAM} -q -r -X -D -P ${DV_SKIN_PASSWORD} ${DV_SKIN_ZIP} .
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/skin
    DEPENDS ${DV_SKIN_FILES}
    COMMENT "Packing the skin archive"
    VERBATIM)
  add_custom_command(OUTPUT ${DV_SKIN_RESOURCE}
    COMMAND $<TARGET_FILE:Qt6::rcc> --name dvskin --no-compress -o ${DV_SKIN_RESOURCE} ${DV_SKIN_QRC}
    WORKING_DIRECTORY ${DV_SKIN_DIR}
    DEPENDS ${DV_SKIN_ZIP} ${DV_SKIN_QRC}
    COMMENT "Embedding the skin archive"
    VERBATIM)
  add_custom_target(dv_skin_files DEPENDS ${DV_SKIN_RESOURCE})
  add_library(dv_skin INTERFACE)
  target_sources(dv_skin INTERFACE ${DV_SKIN_RESOURCE})
  target_link_libraries(dv_skin INTERFACE Qt6::Core)
  add_dependencies(dv_skin dv_skin_files)
else()
  message(FATAL_ERROR "The skin needs the zip program (Debian package zip).")
endif()
