# The downloads for Windows users, made in the build folder with the programs:
#   hxf-VERSION-win32.zip    a folder hxf-VERSION-win32/ with hxf.exe (and hxf-gui.exe when the
#                            window is built), README.txt and the licence when the project has one
#   hxf-VERSION-setup.exe    the same files installed by an NSIS setup program (dist/hxf-setup.nsi)
# The programs go in stripped: the debug information stays in the build's own copies.
set(HXF_WINDOWS_PROGRAMS hxf)
if(TARGET hxf-gui)
  list(APPEND HXF_WINDOWS_PROGRAMS hxf-gui)
endif()

set(name hxf-${PROJECT_VERSION}-win32)
set(stage_root ${PROJECT_BINARY_DIR}/windows-package)
set(stage ${stage_root}/${name})
set(HXF_WINDOWS_ZIP ${PROJECT_BINARY_DIR}/${name}.zip)
set(HXF_WINDOWS_SETUP ${PROJECT_BINARY_DIR}/hxf-${PROJECT_VERSION}-setup.exe)

set(HXF_WINDOWS_PACKAGE_FILES README.txt)
set(copies COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${stage}/README.txt)
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
  list(APPEND HXF_WINDOWS_PACKAGE_FILES LICENSE.txt)
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE
       ${stage}/LICENSE.txt)
endif()
foreach(program ${HXF_WINDOWS_PROGRAMS})
  list(APPEND HXF_WINDOWS_PACKAGE_FILES ${program}.exe)
  list(APPEND copies COMMAND ${CMAKE_STRIP} -o ${stage}/${program}.exe $<TARGET_FILE:${program}>)
endforeach()

add_custom_command(
  OUTPUT ${HXF_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${HXF_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
  ${copies}
  COMMAND ${CMAKE_COMMAND} -E chdir ${stage_root}
          ${CMAKE_COMMAND} -E tar cf ${HXF_WINDOWS_ZIP} --format=zip ${name}
  DEPENDS ${HXF_WINDOWS_PROGRAMS} ${PROJECT_SOURCE_DIR}/README.md
  COMMENT "Making ${name}.zip"
  VERBATIM)
add_custom_target(hxf_windows_zip ALL DEPENDS ${HXF_WINDOWS_ZIP})

# Debian's nsis (scripts/install-deps.sh --windows).
find_program(MAKENSIS makensis REQUIRED)
set(setup_options -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${stage} -DOUTFILE=${HXF_WINDOWS_SETUP})
if(TARGET hxf-gui)
  list(APPEND setup_options -DWINDOW)
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
  list(APPEND setup_options -DLICENCE)
endif()
add_custom_command(
  OUTPUT ${HXF_WINDOWS_SETUP}
  COMMAND ${MAKENSIS} ${setup_options} ${PROJECT_SOURCE_DIR}/dist/hxf-setup.nsi
  DEPENDS ${HXF_WINDOWS_ZIP} ${PROJECT_SOURCE_DIR}/dist/hxf-setup.nsi
  COMMENT "Making hxf-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
add_custom_target(hxf_windows_setup ALL DEPENDS ${HXF_WINDOWS_SETUP})
