#include "core/host_names.h"
#include "core/windows_names.h"

namespace hxf {

std::string HostNameProblem(std::string_view component) {
  return WindowsNameProblem(component);
}

bool HostNamesMustBeUtf8() {
  return true;
}

}  // namespace hxf
