// `hxf diff A B`: what differs between two packages, or a package and a folder, or two folders. A
// folder is read as the package pack would make of it (pack/folder_package.h), so a package and
// the tree it was packed from, or unpacked to, compare equal. Both sides are read once, side by
// side, in the packer's entry order.

#include <cstring>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/listed_name.h"
#include "cli/terminal.h"
#include "core/file_system.h"
#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/record_reader.h"
#include "pack/entry_order.h"
#include "pack/folder_package.h"

namespace hxf::cli {
namespace {

// One side of the comparison: a package file, or a folder packed on the fly.
class Side {
 public:
  // Opens `path`; `other` is the other side's path, never packed into a folder side.
  static Result<std::unique_ptr<Side>> Open(const std::string& path, const std::string& other,
                                            NameEncoding names, bool include_hidden) {
    auto side = std::unique_ptr<Side>(new Side(path));
    FileSystem& file_system = SystemFileSystem();
    if (Result<std::unique_ptr<Directory>> folder = file_system.OpenDirectory(path, false);
        folder.ok()) {
      PackSettings settings;
      settings.names = names;
      settings.include_hidden = include_hidden;
      if (Result<FileId> id = file_system.Identify(other); id.ok()) {
        settings.excluded_files.push_back(*id);
      }
      side->folder_ = std::make_unique<FolderPackage>(std::move(folder.value()), settings);
    } else {
      Result<std::unique_ptr<InputFile>> file = file_system.OpenForReading(path);
      if (!file.ok()) return file.status();
      side->package_ = std::move(file.value());
    }
    side->reader_ = std::make_unique<RecordReader>(side->file());
    return side;
  }

  // Moves to the next entry; false after the last. Fails when the records cannot be followed.
  Result<bool> Next() {
    while (true) {
      Result<RecordReader::Step> step = reader_->Next();
      if (!step.ok()) return step.status();
      if (package_ && reader_->HeaderComplete() && !reader_->MagicTextMatches()) {
        return Status::Error(Status::Code::kCorruption,
                             path_ + ": not a package: the header text is missing");
      }
      switch (*step) {
        case RecordReader::Step::kEntry:
          return true;
        case RecordReader::Step::kEndMarker:
          continue;
        case RecordReader::Step::kEnd:
          if (package_ && !reader_->HeaderComplete()) {
            return Status::Error(Status::Code::kCorruption,
                                 path_ + ": not a package: the file is shorter than a header");
          }
          return false;
        case RecordReader::Step::kCorrupt:
          return Status::Error(Status::Code::kCorruption,
                               path_ + ": " + Describe(*reader_->corruption()));
      }
    }
  }

  RecordReader& reader() { return *reader_; }
  const EntryRecord& entry() const { return reader_->entry(); }
  // Why files of a folder side were left out, as pack would leave them out.
  std::vector<std::string> Problems() const {
    return folder_ ? folder_->Problems() : std::vector<std::string>{};
  }
  // How many names beginning with a dot the folder's packing passed over.
  std::uint64_t Hidden() const { return folder_ ? folder_->Hidden() : 0; }

 private:
  explicit Side(std::string path) : path_(std::move(path)) {}
  InputFile& file() { return package_ ? *package_ : folder_->file(); }

  std::string path_;
  std::unique_ptr<InputFile> package_;
  std::unique_ptr<FolderPackage> folder_;
  std::unique_ptr<RecordReader> reader_;
};

// Whether the current entries of `a` and `b`, of equal length, hold the same bytes. Reads both
// side by side, one chunk of each at a time, and stops at the first difference.
Result<bool> SameData(RecordReader& a, RecordReader& b) {
  std::span<const std::byte> left;
  std::span<const std::byte> right;
  while (true) {
    if (left.empty()) {
      Result<std::span<const std::byte>> chunk = a.ReadData();
      if (!chunk.ok()) return chunk.status();
      left = *chunk;
    }
    if (right.empty()) {
      Result<std::span<const std::byte>> chunk = b.ReadData();
      if (!chunk.ok()) return chunk.status();
      right = *chunk;
    }
    if (left.empty() || right.empty()) return left.empty() && right.empty();
    const std::size_t size = std::min(left.size(), right.size());
    if (std::memcmp(left.data(), right.data(), size) != 0) return false;
    left = left.subspan(size);
    right = right.subspan(size);
  }
}

class Comparison {
 public:
  Comparison(Side& a, Side& b, NameEncoding names) : a_(a), b_(b), names_(names) {}

  // Prints one line per difference; true when there was none.
  Result<bool> Run() {
    Result<bool> in_a = a_.Next();
    if (!in_a.ok()) return in_a.status();
    Result<bool> in_b = b_.Next();
    if (!in_b.ok()) return in_b.status();
    while (*in_a || *in_b) {
      const std::string_view name_a = *in_a ? std::string_view(a_.entry().name) : "";
      const std::string_view name_b = *in_b ? std::string_view(b_.entry().name) : "";
      const bool both = *in_a && *in_b && name_a == name_b;
      const bool only_b = !*in_a || (*in_b && !both && EntryBefore(name_b, name_a, names_));
      if (both) {
        if (Status compared = CompareData(); !compared.ok()) return compared;
      } else {
        Print(only_b ? "+ " : "- ", only_b ? name_b : name_a, "");
      }
      if (both || !only_b) in_a = a_.Next();
      if (!in_a.ok()) return in_a.status();
      if (both || only_b) in_b = b_.Next();
      if (!in_b.ok()) return in_b.status();
    }
    return same_;
  }

 private:
  Status CompareData() {
    const std::uint32_t size_a = a_.entry().data_length;
    const std::uint32_t size_b = b_.entry().data_length;
    if (size_a == size_b) {
      Result<bool> same = SameData(a_.reader(), b_.reader());
      if (!same.ok()) return same.status();
      if (*same) return Status::Ok();
    }
    Print("~ ", a_.entry().name,
          " (" + std::to_string(size_a) + " and " + std::to_string(size_b) + " bytes)");
    return Status::Ok();
  }

  void Print(std::string_view mark, std::string_view name, const std::string& sizes) {
    same_ = false;
    WriteOutput(std::string(mark) + ListedName(DecodeName(name, names_)) + sizes + "\n");
  }

  Side& a_;
  Side& b_;
  NameEncoding names_;
  bool same_ = true;
};

int Diff(const std::string& path_a, const std::string& path_b, const CommonOptions& options,
         bool include_hidden) {
  const NameEncoding names = options.names;
  // A package is read without sharing, so it cannot be opened twice; it holds what it holds.
  Result<FileId> id_a = SystemFileSystem().Identify(path_a);
  Result<FileId> id_b = SystemFileSystem().Identify(path_b);
  if (id_a.ok() && id_b.ok() && *id_a == *id_b &&
      !SystemFileSystem().OpenDirectory(path_a, false).ok()) {
    return kExitOk;
  }
  Result<std::unique_ptr<Side>> a = Side::Open(path_a, path_b, names, include_hidden);
  if (!a.ok()) {
    PrintError(a.status().message());
    return kExitFailure;
  }
  Result<std::unique_ptr<Side>> b = Side::Open(path_b, path_a, names, include_hidden);
  if (!b.ok()) {
    PrintError(b.status().message());
    return kExitFailure;
  }
  Result<bool> same = Comparison(**a, **b, names).Run();
  for (const Side* side : {a->get(), b->get()}) {
    for (const std::string& problem : side->Problems())
      PrintError(InLanguage(problem, options.language));
    if (side->Hidden() > 0) {
      PrintError(InLanguage(LogLineText(text::kHiddenCount, std::to_string(side->Hidden())),
                            options.language));
    }
  }
  if (!same.ok()) {
    PrintError(same.status().message());
    return kExitFailure;
  }
  return *same ? kExitOk : kExitProblems;
}

}  // namespace

void AddDiffCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand(
      "diff",
      "Show what differs between two packages or folders: + only in B, - only in A, ~ data differ "
      "(with both sizes); a folder is read as pack would pack it. Exit status 0 when they hold "
      "the same files, 1 when not, 2 on an error");
  auto paths = std::make_shared<std::pair<std::string, std::string>>();
  auto include_hidden = std::make_shared<bool>(false);
  command->add_option("A", paths->first, "A package or folder")->required();
  command->add_option("B", paths->second, "A package or folder")->required();
  command->add_flag("--hidden", *include_hidden,
                    "Read a folder's files and folders whose names begin with a dot too, as pack "
                    "--hidden packs them");
  command->callback([&options, &exit_status, paths, include_hidden] {
    exit_status = Diff(paths->first, paths->second, options, *include_hidden);
  });
}

}  // namespace hxf::cli
