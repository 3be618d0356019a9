// The output directories of the entry being unpacked, kept open for the next one. A package
// stores the files of one directory one after another, so most entries find their directory
// already open and cost no directory operation at all. Every directory is still made and opened
// from its parent, one component at a time, never through a link.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/file_system.h"
#include "core/status.h"

namespace hxf {

class DirectoryCache {
 public:
  // `root` must outlive the cache.
  explicit DirectoryCache(Directory& root) : root_(root) {}

  // The directory `path` (components below the root), made where missing. Components that the
  // previous call opened as well are not opened again. The pointer stays valid until the next call.
  Result<Directory*> Open(std::span<const std::string> path);

 private:
  Directory& root_;
  std::vector<std::string> names_;                // the open directories' components, in order
  std::vector<std::unique_ptr<Directory>> open_;  // open_[i] is names_[0..i] below the root
};

}  // namespace hxf
