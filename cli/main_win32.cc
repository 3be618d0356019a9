// Windows gives the arguments as UTF-16 (wmain); the rest of the program takes UTF-8. The narrow
// arguments of main would be in the active code page, which cannot hold every name.
#include <string>
#include <vector>

#include "cli/program.h"
#include "core/wide_string_win32.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) arguments.push_back(hxf::Utf8FromWideLossy(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return hxf::cli::RunProgram(argc, pointers.data());
}
