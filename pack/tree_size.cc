#include "pack/tree_size.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/package_format.h"
#include "pack/pass_over.h"

namespace hxf {
namespace {

class TreeMeasure {
 public:
  TreeMeasure(const PackSettings& settings, std::uint64_t enough, const std::function<bool()>& stop)
      : settings_(settings), enough_(enough), stop_(stop), total_(format::kEmptyPackageSize) {}

  Result<std::uint64_t> Measure(Directory& root) {
    Status measured = Status::Ok();
    if (settings_.only.empty()) {
      measured = AddDirectory(root);
    } else {
      for (const std::vector<std::string>& path : settings_.only) {
        measured = AddPath(root, path);
        if (!measured.ok() || total_ > enough_) break;
      }
    }
    if (!measured.ok()) return measured;
    return total_;
  }

 private:
  // A path to add: found by its exact components only; one that is not found adds nothing here.
  Status AddPath(Directory& root, const std::vector<std::string>& path) {
    if (path.empty()) return AddDirectory(root);
    std::unique_ptr<Directory> opened;
    Directory* directory = &root;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
      Result<std::unique_ptr<Directory>> next = directory->OpenSubdirectory(path[i]);
      if (!next.ok()) return Status::Ok();
      opened = std::move(next.value());
      directory = opened.get();
    }
    Result<std::unique_ptr<Directory>> folder = directory->OpenSubdirectory(path.back());
    if (folder.ok()) return AddDirectory(**folder);
    AddFile(*directory, path.back());
    return Status::Ok();
  }

  Status AddDirectory(Directory& directory) {
    if (stop_ && stop_())
      return Status::Error(Status::Code::kCancelled, "the job was asked to stop");
    const FileId id = directory.id();
    if (std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end()) {
      return Status::Ok();  // a loop, which the packer refuses
    }
    Result<SizedListing> listed = directory.ListWithSizes();
    if (!listed.ok()) return Status::Ok();  // the packer says why
    ancestors_.push_back(id);
    for (std::size_t i = 0; i < listed->listing.size() && total_ <= enough_; ++i) {
      const DirectoryEntry entry = listed->listing[i];
      if (PassOverReason(directory, entry, settings_) != PassOver::kNone) continue;
      // A link may lead out of the tree, where the packer will not follow it.
      if (entry.link && !settings_.follow_all_links) continue;
      if (entry.kind == EntryKind::kFile) {
        AddSize(listed->sizes[i]);
      } else if (entry.kind == EntryKind::kDirectory) {
        Result<std::unique_ptr<Directory>> below = directory.OpenSubdirectory(entry.name);
        if (!below.ok()) continue;
        if (Status added = AddDirectory(**below); !added.ok()) return added;
      }
    }
    ancestors_.pop_back();
    return Status::Ok();
  }

  void AddFile(Directory& directory, std::string_view name) {
    Result<std::uint64_t> size = directory.FileSize(name);
    if (size.ok()) AddSize(*size);
  }

  void AddSize(std::uint64_t size) {
    if (size > format::kMaxStoredFileSize) return;  // refused by the packer
    total_ += format::kRecordOverhead + size;
  }

  const PackSettings& settings_;
  const std::uint64_t enough_;
  const std::function<bool()>& stop_;
  std::uint64_t total_;
  std::vector<FileId> ancestors_;
};

}  // namespace

Result<std::uint64_t> LeastPackageSize(Directory& root, const PackSettings& settings,
                                       std::uint64_t enough, const std::function<bool()>& stop) {
  return TreeMeasure(settings, enough, stop).Measure(root);
}

}  // namespace hxf
