#include "pack/pass_over.h"

#include <algorithm>

namespace hxf {
namespace {

bool IsExcluded(Directory& directory, const DirectoryEntry& entry,
                const std::vector<FileId>& excluded) {
  if (excluded.empty() || entry.kind != EntryKind::kFile) return false;
  // The listing's inode number rules out nearly every file without a look-up, which would
  // otherwise be the largest cost of packing many small files. A match is confirmed by a look-up.
  if (entry.file_inode != 0 &&
      std::none_of(excluded.begin(), excluded.end(),
                   [&](const FileId& id) { return id.inode == entry.file_inode; })) {
    return false;
  }
  Result<FileId> id = directory.Identify(entry.name);
  return id.ok() && std::find(excluded.begin(), excluded.end(), *id) != excluded.end();
}

}  // namespace

PassOver PassOverReason(Directory& directory, const DirectoryEntry& entry,
                        const PackSettings& settings) {
  if (entry.name.starts_with('.') && !settings.include_hidden) return PassOver::kHidden;
  if (entry.name.starts_with(kTemporaryNamePrefix)) return PassOver::kTemporary;
  if (IsExcluded(directory, entry, settings.excluded_files)) return PassOver::kExcluded;
  return PassOver::kNone;
}

}  // namespace hxf
