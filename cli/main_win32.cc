// Windows gives the arguments as UTF-16 (wmain); the rest of the program takes UTF-8. The narrow
// arguments of main would be in the active code page, which cannot hold every name.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/program.h"
#include "core/wide_string_win32.h"

int wmain(int argc, wchar_t** argv) {
  // What CLI11 prints (help, version, usage errors) goes through the C library's streams, which
  // would end its lines with CR LF; every other line the program writes ends with LF alone.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) arguments.push_back(hxf::Utf8FromWideLossy(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return hxf::cli::RunProgram(argc, pointers.data());
}
