#include "core/job_paths.h"

#include "core/file_system.h"

namespace hxf {

std::string DefaultUnpackRoot(const std::string& package_path) {
  return JoinPath(DirectoryPart(package_path), kUnpackRootName);
}

std::string DefaultPackRoot(const std::string& package_path) {
  return JoinPath(DirectoryPart(package_path), kPackRootName);
}

}  // namespace hxf
