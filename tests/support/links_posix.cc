#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/links.h"

namespace hxf::testing {

bool MakeLink(const std::string& path, const std::string& target) {
  return ::symlink(target.c_str(), path.c_str()) == 0;
}

bool MakeSpecial(const std::string& path) {
  return ::mkfifo(path.c_str(), 0600) == 0;
}

}  // namespace hxf::testing
