#include "core/host_names.h"

namespace hxf {

// Any byte but the slash and the zero byte may stand in a name, and those are refused everywhere.
std::string HostNameProblem(std::string_view) {
  return {};
}

bool HostNamesMustBeUtf8() {
  return false;
}

// The file systems of these hosts tell case apart as a rule; on one that does not (a FAT card,
// macOS by default) two names equal but for case still name one file, and the later entry
// replaces the earlier there without being counted as one name given twice.
std::string HostFileKey(std::string_view path) {
  return std::string(path);
}

}  // namespace hxf
