#include "core/job_paths.h"

#include <filesystem>

namespace hxf {
namespace {

std::string Beside(const std::string& package_path, const char* name) {
  const std::string directory = DirectoryPart(package_path);
  if (directory.empty()) return name;
  if (directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

}  // namespace

std::string DirectoryPart(const std::string& package_path) {
  return std::filesystem::path(package_path).parent_path().string();
}

std::string DefaultUnpackRoot(const std::string& package_path) {
  return Beside(package_path, kUnpackRootName);
}

std::string DefaultPackRoot(const std::string& package_path) {
  return Beside(package_path, kPackRootName);
}

}  // namespace hxf
