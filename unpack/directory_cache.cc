#include "unpack/directory_cache.h"

#include <algorithm>

namespace hxf {

Result<Directory*> DirectoryCache::Open(std::span<const std::string> path) {
  const std::size_t shared =
      std::mismatch(names_.begin(), names_.end(), path.begin(), path.end()).first - names_.begin();
  names_.resize(shared);
  open_.resize(shared);
  for (std::size_t i = shared; i < path.size(); ++i) {
    Directory& parent = open_.empty() ? root_ : *open_.back();
    Result<std::unique_ptr<Directory>> sub = parent.MakeSubdirectory(path[i]);
    if (!sub.ok()) return sub.status();
    names_.push_back(path[i]);
    open_.push_back(std::move(sub.value()));
  }
  return open_.empty() ? &root_ : open_.back().get();
}

}  // namespace hxf
