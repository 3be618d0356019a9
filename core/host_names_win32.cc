#include "core/host_names.h"
#include "core/windows_names.h"

namespace hxf {

std::string HostNameProblem(std::string_view component) {
  return WindowsNameProblem(component);
}

bool HostNamesMustBeUtf8() {
  return true;
}

// Only A-Z: the path is UTF-8, whose multi-byte characters never hold an ASCII byte. Windows
// folds other letters too (its own case table), which a package's names rarely need.
std::string HostFileKey(std::string_view path) {
  std::string key(path);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

}  // namespace hxf
