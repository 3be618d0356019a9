#include "pack/pack_directory.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string_view>

#include "core/entry_path.h"
#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/package_format.h"
#include "pack/directory_items.h"
#include "pack/name_case.h"
#include "pack/pass_over.h"
#include "pack/tree_size.h"

namespace hxf {
namespace {

// A path to pack, as far as the walk has followed it: the components of PackSettings::only[path]
// from `depth` on are still to be found.
struct Wanted {
  std::size_t path = 0;
  std::size_t depth = 0;
};

// What of one directory is to be packed: all of it, or what the wanted paths pick.
struct Selection {
  bool all = true;
  std::vector<Wanted> wanted;
};

bool EqualButForCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return fold(x) == fold(y);
         });
}

// A directory's items, and what is to be packed below those of them that do not take everything.
// Only the few entries the wanted paths name have a selection of their own.
struct ListedItems {
  DirectoryItems items;
  std::vector<std::pair<std::uint32_t, Selection>> below;  // by the item's entry in the listing

  Selection Below(const DirectoryItem& item) const {
    for (const auto& [entry, selection] : below) {
      if (entry == item.entry) return selection;
    }
    return Selection{};
  }
};

class DirectoryPacker {
 public:
  // `note_every_name`: the names `names` holds come from elsewhere (a package the files are merged
  // into), so every name written must be compared with them, not only those of case twins.
  DirectoryPacker(PackJob& job, RecordWriter& package, const PackSettings& settings,
                  NameCaseCheck& names, bool note_every_name)
      : job_(job),
        package_(package),
        settings_(settings),
        names_(names),
        note_every_name_(note_every_name),
        buffer_(std::max<std::size_t>(settings.buffer_size, 1)) {}

  Result<PackTotals> PackRoot(Directory& root) {
    root_ = &root;
    if (Status fits = CheckFits(root); !fits.ok()) return fits;
    Selection selection;
    selection.all = settings_.only.empty();
    for (std::size_t i = 0; i < settings_.only.size(); ++i) {
      if (settings_.only[i].empty()) selection.all = true;
      selection.wanted.push_back({i, 0});
    }
    Result<ListedItems> items = ListItems(root, selection);
    if (!items.ok()) {
      // Nothing of the tree could be read: an empty package would pass for a packed tree.
      job_.Report(LogLineText(text::kCannotReadDirectory, DisplayName(root.path()), items.status()),
                  LogKind::kProblem);
      return items.status();
    }
    ancestors_.push_back(root.id());
    if (Status packed = PackItems(root, *items); !packed.ok()) return packed;
    return totals_;
  }

 private:
  // Lists `directory`, keeps what `selection` picks, logs an "Adding" line per file in listing
  // order, and sorts the entries.
  Result<ListedItems> ListItems(Directory& directory, const Selection& selection) {
    Result<Listing> listing = directory.List();
    if (!listing.ok()) return listing.status();
    ListedItems listed{DirectoryItems(std::move(*listing), settings_.names), {}};
    const Listing& entries = listed.items.listing();
    std::vector<std::uint32_t> kept;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const DirectoryEntry entry = entries[i];
      const PassOver passed = PassOverReason(directory, entry, settings_);
      if (passed == PassOver::kHidden && selection.all) LeaveOutHidden(entry.name);
      if (passed != PassOver::kNone) continue;
      if (!selection.all) {
        kept.push_back(static_cast<std::uint32_t>(i));  // picked from once all are known
      } else if (Status added = AddItem(directory, listed, i); !added.ok()) {
        return added;
      }
    }
    if (!selection.all) {
      std::vector<Selection> picked = Pick(entries, kept, selection);
      for (std::size_t k = 0; k < kept.size(); ++k) {
        if (!picked[k].all && picked[k].wanted.empty()) continue;
        if (Status added = AddItem(directory, listed, kept[k]); !added.ok()) return added;
        listed.below.emplace_back(kept[k], std::move(picked[k]));
      }
    }
    listed.items.Sort();
    return listed;
  }

  Status AddItem(Directory& directory, ListedItems& listed, std::size_t index) {
    const DirectoryEntry entry = listed.items.listing()[index];
    if (entry.kind != EntryKind::kDirectory) {
      job_.Report(std::string(text::kAdding) + DisplayName(entry.name) + std::string(text::kPack),
                  LogKind::kProgress);
    }
    Status added = listed.items.Add(index);
    if (added.ok()) return added;
    return Status::Error(added.code(), "cannot list " + directory.path() + ": " + added.message());
  }

  // What of each kept entry `selection` picks: the entries its wanted paths name at this level,
  // and below each what is still wanted there. A path that names nothing here is left out.
  std::vector<Selection> Pick(const Listing& entries, const std::vector<std::uint32_t>& kept,
                              const Selection& selection) {
    std::vector<Selection> picked(kept.size(), Selection{false, {}});
    for (const Wanted& wanted : selection.wanted) {
      const std::vector<std::string>& path = settings_.only[wanted.path];
      const bool last = wanted.depth + 1 == path.size();
      std::vector<std::size_t> named;
      for (std::size_t k = 0; k < kept.size(); ++k) {
        if (entries[kept[k]].name == path[wanted.depth]) named.push_back(k);
      }
      for (std::size_t k = 0; named.empty() && k < kept.size(); ++k) {
        if (EqualButForCase(entries[kept[k]].name, path[wanted.depth])) named.push_back(k);
      }
      // Only a folder has anything below it.
      std::erase_if(named, [&](std::size_t k) {
        return !last && entries[kept[k]].kind != EntryKind::kDirectory;
      });
      if (named.empty()) LeaveOut(text::kNotInFolder, DisplayName(JoinEntryName(path)));
      for (std::size_t k : named) {
        if (last) {
          picked[k].all = true;
        } else {
          picked[k].wanted.push_back({wanted.path, wanted.depth + 1});
        }
      }
    }
    return picked;
  }

  Status PackItems(Directory& directory, const ListedItems& listed) {
    for (std::size_t i = 0; i < listed.items.size(); ++i) {
      if (job_.StopRequested()) return Cancelled();
      const DirectoryItem item = listed.items[i];
      const Status packed = item.kind == EntryKind::kDirectory
                                ? PackSubdirectory(directory, item, listed.Below(item))
                                : PackFile(directory, item);
      if (!packed.ok()) return packed;
    }
    return Status::Ok();
  }

  Status PackSubdirectory(Directory& parent, const DirectoryItem& item, const Selection& below) {
    const std::string shown = Shown(item);
    if (item.refusal != NameRefusal::kNone) return RefuseName(item, shown);
    if (!MayFollow(parent, item, shown)) return Status::Ok();
    Result<std::unique_ptr<Directory>> opened = parent.OpenSubdirectory(item.host_name);
    if (!opened.ok()) return Refuse(text::kCannotReadDirectory, shown, opened.status());
    Directory& directory = **opened;
    if (std::find(ancestors_.begin(), ancestors_.end(), directory.id()) != ancestors_.end()) {
      return Refuse(text::kLinkLoop, shown);
    }
    host_path_.emplace_back(item.host_name);  // for the lines about what the listing passes over
    Result<ListedItems> items = ListItems(directory, below);
    host_path_.pop_back();
    if (!items.ok()) return Refuse(text::kCannotReadDirectory, shown, items.status());

    host_path_.emplace_back(item.host_name);
    package_path_.emplace_back(item.package_name);
    ancestors_.push_back(directory.id());
    if (item.case_twin) ++case_twin_depth_;
    const Status packed = PackItems(directory, *items);
    if (item.case_twin) --case_twin_depth_;
    ancestors_.pop_back();
    package_path_.pop_back();
    host_path_.pop_back();
    return packed;
  }

  Status PackFile(Directory& directory, const DirectoryItem& item) {
    const std::string shown = Shown(item);
    if (item.kind != EntryKind::kFile) return Refuse(text::kSpecialFile, shown);
    if (item.refusal != NameRefusal::kNone) return RefuseName(item, shown);
    if (!MayFollow(directory, item, shown)) return Status::Ok();
    package_path_.emplace_back(item.package_name);
    std::string entry_name = JoinEntryName(package_path_);
    package_path_.pop_back();
    if (entry_name.size() > format::kMaxNameLength) return Refuse(text::kNameTooLong, shown);

    Result<std::unique_ptr<InputFile>> opened = directory.OpenFile(item.host_name);
    if (!opened.ok()) return Refuse(text::kFileError, shown, opened.status());
    InputFile& file = **opened;
    const std::uint64_t length = file.size();
    if (length > format::kMaxStoredFileSize) return Refuse(text::kFileTooLarge, shown);
    if (Status before = job_.BeforeEntry(entry_name); !before.ok()) return before;
    if (!package_.Fits(entry_name.size(), length)) {
      job_.Report(LogLineText(text::kPackageTooLarge, DisplayName(package_.path())),
                  LogKind::kProblem);
      return Status::Error(Status::Code::kInvalidArgument, "the package would reach 2 GiB");
    }

    if (Status begun = package_.BeginEntry(entry_name, length); !begun.ok()) {
      return WriteFailed(begun);
    }
    if (Status copied = CopyContent(file, length, shown); !copied.ok()) return copied;
    if (Status finished = package_.FinishEntry(); !finished.ok()) return WriteFailed(finished);
    if (note_every_name_ || item.case_twin || case_twin_depth_ > 0) NoteCase(entry_name);
    ++totals_.entries;
    job_.Written(package_.size());
    return Status::Ok();
  }

  // Copies exactly `length` bytes: the length the record already states, whatever the file does
  // meanwhile. Bytes it has grown by are left out; bytes it has lost are made up with zeros. A
  // read that fails ends the package.
  Status CopyContent(InputFile& file, std::uint64_t length, const std::string& shown) {
    std::uint64_t left = length;
    while (left > 0) {
      if (job_.StopRequested()) return Cancelled();
      const std::span<std::byte> chunk = std::span(buffer_).first(
          static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer_.size())));
      Result<std::size_t> got = file.Read(chunk);
      if (!got.ok()) {
        // The rest of the file is unknown: a package holding made-up bytes in its place could
        // brick a device, so the package fails as a whole and the previous one stays.
        job_.Report(LogLineText(text::kFileReadFailed, shown, got.status()), LogKind::kProblem);
        return got.status();
      }
      if (*got == 0) {
        job_.Report(LogLineText(text::kFileShrank, shown), LogKind::kProblem);
        return FillZeros(left);
      }
      if (Status written = package_.WriteData(chunk.first(*got)); !written.ok()) {
        return WriteFailed(written);
      }
      left -= *got;
      job_.Written(package_.size());
    }
    return Status::Ok();
  }

  Status FillZeros(std::uint64_t count) {
    std::fill(buffer_.begin(), buffer_.end(), std::byte{0});
    while (count > 0) {
      if (job_.StopRequested()) return Cancelled();
      const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer_.size()));
      if (Status written = package_.WriteData(std::span(buffer_).first(size)); !written.ok()) {
        return WriteFailed(written);
      }
      count -= size;
      job_.Written(package_.size());
    }
    return Status::Ok();
  }

  // The whole tree's files are counted before any is packed: one that cannot fit in a package
  // is refused now rather than once 2 GiB of it have been written.
  Status CheckFits(Directory& root) {
    Result<std::uint64_t> least = LeastPackageSize(root, settings_, format::kMaxPackageSize,
                                                   [this] { return job_.StopRequested(); });
    if (!least.ok())
      return least.status().code() == Status::Code::kCancelled ? Cancelled() : least.status();
    if (*least <= format::kMaxPackageSize) return Status::Ok();
    job_.Report(LogLineText(text::kPackageTooLarge, DisplayName(package_.path()),
                            Status::Error(Status::Code::kInvalidArgument,
                                          "the files to pack take more than " +
                                              std::to_string(format::kMaxPackageSize) + " bytes")),
                LogKind::kProblem);
    return Status::Error(Status::Code::kInvalidArgument, "the package would reach 2 GiB");
  }

  // A name that begins with a dot, passed over as such names are unless asked for: counted, so
  // that the job's last line can say so, and named where every line is shown.
  void LeaveOutHidden(std::string_view name) {
    ++totals_.hidden;
    std::vector<std::string> components = host_path_;
    components.emplace_back(name);
    job_.Report(LogLineText(text::kHiddenLeftOut, DisplayName(JoinEntryName(components))),
                LogKind::kProgress);
  }

  // The file's path below the pack root, as a user can find it.
  std::string Shown(const DirectoryItem& item) const {
    std::vector<std::string> components = host_path_;
    components.emplace_back(item.host_name);
    return DisplayName(JoinEntryName(components));
  }

  // Leaves one file or directory out of the package, saying why; packing goes on.
  void LeaveOut(std::string_view text, const std::string& shown, const Status& why = Status()) {
    ++totals_.left_out;
    job_.Report(LogLineText(text, shown, why), LogKind::kProblem);
  }
  Status Refuse(std::string_view text, const std::string& shown, const Status& why = Status()) {
    LeaveOut(text, shown, why);
    return Status::Ok();
  }

  Status RefuseName(const DirectoryItem& item, const std::string& shown) {
    switch (item.refusal) {
      case NameRefusal::kBackslash:
        return Refuse(text::kNameHasBackslash, shown);
      case NameRefusal::kNotAllowed:
        return Refuse(
            text::kNameNotAllowed, shown,
            Status::Error(Status::Code::kInvalidArgument, EntryComponentProblem(item.host_name)));
      case NameRefusal::kNotEncodable:
      case NameRefusal::kNone:
        break;
    }
    return Refuse(text::kNameNotEncodable, shown);
  }

  // A link is followed only where it stays inside the pack root, unless every link is to be
  // followed: otherwise a link to /etc would put the system's files into the package. Returns
  // false, having left the item out, when it is not to be followed.
  bool MayFollow(Directory& directory, const DirectoryItem& item, const std::string& shown) {
    if (!item.link || settings_.follow_all_links) return true;
    Result<bool> inside = directory.LinkLeadsInside(item.host_name, *root_);
    if (inside.ok() && *inside) return true;
    LeaveOut(text::kLinkOutside, shown, inside.ok() ? Status() : inside.status());
    return false;
  }

  Status WriteFailed(const Status& why) {
    job_.Report(LogLineText(text::kWriteFailed, DisplayName(package_.path()), why),
                LogKind::kProblem);
    return why;
  }

  // Both names are stored, in their order; one of them will hide the other on the player. Two
  // such names part at a pair of case twins in one directory, so unless the names came from
  // elsewhere only files that are twins or lie below one need noting: the check then stays empty
  // for most trees, however many files they hold.
  void NoteCase(const std::string& entry_name) {
    if (!names_.Note(entry_name)) {
      job_.Report(
          LogLineText(text::kNameCaseOnly, DisplayName(DecodeName(entry_name, settings_.names))),
          LogKind::kProblem);
    }
  }

  Status Cancelled() {
    job_.Report(std::string(text::kCancelled), LogKind::kProblem);
    return Status::Error(Status::Code::kCancelled, "the job was asked to stop");
  }

  PackJob& job_;
  RecordWriter& package_;
  const PackSettings& settings_;
  NameCaseCheck& names_;
  const bool note_every_name_;
  std::vector<std::byte> buffer_;
  std::vector<std::string> host_path_;     // the current directory's components below the root
  std::vector<std::string> package_path_;  // the same, as package names
  std::vector<FileId> ancestors_;          // the directories from the root down to the current one
  Directory* root_ = nullptr;
  PackTotals totals_;
  int case_twin_depth_ = 0;  // how many of the directories being packed are case twins
};

}  // namespace

Result<PackTotals> PackDirectory(PackJob& job, RecordWriter& package, Directory& root,
                                 const PackSettings& settings) {
  NameCaseCheck names(settings.names);
  return DirectoryPacker(job, package, settings, names, false).PackRoot(root);
}

Result<PackTotals> PackDirectory(PackJob& job, RecordWriter& package, Directory& root,
                                 const PackSettings& settings, NameCaseCheck& names) {
  return DirectoryPacker(job, package, settings, names, true).PackRoot(root);
}

}  // namespace hxf
