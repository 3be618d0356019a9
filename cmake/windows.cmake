# What a build for Windows needs beyond the compiler: one static .exe per program that imports
# only the system's DLLs, wide-character Windows calls, and, when cross-compiling, Wine to run the
# tests and CLI11's headers without the host's /usr/include on the include path.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
add_link_options(-static)

# `target`: an interface library whose include path is a folder holding only a link to the host's
# /usr/include/`folder`.
function(hxf_host_headers target folder)
  set(root ${PROJECT_BINARY_DIR}/host-include/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK /usr/include/${folder} ${root}/${folder} SYMBOLIC)
  string(MAKE_C_IDENTIFIER "hxf_headers_${folder}" library)
  add_library(${library} INTERFACE)
  target_include_directories(${library} SYSTEM INTERFACE ${root})
  add_library(${target} ALIAS ${library})
endfunction()

# The Windows version information of `target` (Explorer's file properties): the project's version,
# `description` as its file description. Every program of the project gets it this way.
enable_language(RC)
function(hxf_version_resource target description)
  set(HXF_RC_DESCRIPTION "${description}")
  set(HXF_RC_NAME ${target})
  set(HXF_RC_FILE_NAME ${target}.exe)
  set(rc ${PROJECT_BINARY_DIR}/generated/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

if(CMAKE_CROSSCOMPILING)
  set(HXF_WINEPREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run.sh
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run.sh)

  # Only the CLI/ folder of the host's headers, and nlohmann/ of the same: the cross compiler must
  # not see the host's /usr/include, whose C headers shadow mingw's.
  hxf_host_headers(CLI11::CLI11 CLI)
  hxf_host_headers(nlohmann_json::nlohmann_json nlohmann)
endif()
