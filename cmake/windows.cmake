# What a build for Windows needs beyond the compiler: one static .exe per program that imports
# only the system's DLLs, wide-character Windows calls, and, when cross-compiling, Wine to run the
# tests and CLI11's headers without the host's /usr/include on the include path.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
add_link_options(-static)

if(CMAKE_CROSSCOMPILING)
  set(HXF_WINEPREFIX ${PROJECT_BINARY_DIR}/wine-prefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run.sh
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run.sh)

  # Only the CLI/ folder of the host's headers: a folder holding a link to it.
  set(cli11_root ${PROJECT_BINARY_DIR}/cli11-include)
  file(MAKE_DIRECTORY ${cli11_root})
  file(CREATE_LINK /usr/include/CLI ${cli11_root}/CLI SYMBOLIC)
  add_library(hxf_cli11 INTERFACE)
  target_include_directories(hxf_cli11 SYSTEM INTERFACE ${cli11_root})
  add_library(CLI11::CLI11 ALIAS hxf_cli11)

  # The same for nlohmann-json's headers.
  set(json_root ${PROJECT_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${json_root})
  file(CREATE_LINK /usr/include/nlohmann ${json_root}/nlohmann SYMBOLIC)
  add_library(hxf_json INTERFACE)
  target_include_directories(hxf_json SYSTEM INTERFACE ${json_root})
  add_library(nlohmann_json::nlohmann_json ALIAS hxf_json)
endif()
