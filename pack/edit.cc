#include "pack/edit.h"

#include <array>
#include <memory>

#include "core/byte_order.h"
#include "core/entry_path.h"
#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/package_format.h"
#include "pack/entry_order.h"
#include "pack/pack_end.h"

namespace hxf {
namespace {

Status Stopped() {
  return Status::Error(Status::Code::kCancelled, "the edit stopped");
}

// Fills `out` from `file`; false when the file ends first or a read fails.
bool ReadAll(InputFile& file, std::span<std::byte> out) {
  while (!out.empty()) {
    Result<std::size_t> got = file.Read(out);
    if (!got.ok() || *got == 0) return false;
    out = out.subspan(*got);
  }
  return true;
}

// The names of the package's records, read from their headers alone (the data are passed over by
// seeking): the entries an added file may replace. Stops quietly where the records cannot be
// followed; the copy that comes next reads the same bytes and says why.
std::vector<std::string> RecordNames(InputFile& file) {
  std::vector<std::string> names;
  std::uint64_t offset = format::kHeaderSize;
  std::array<std::byte, format::kLengthFieldSize> field{};
  while (offset < file.size() && file.Seek(offset).ok() && ReadAll(file, field)) {
    const std::uint32_t name_length = DecodeU32(field);
    offset += format::kLengthFieldSize;
    if (name_length == 0) continue;
    if (name_length > format::kMaxNameLength) break;
    std::string name(name_length, '\0');
    std::array<std::byte, 1 + format::kLengthFieldSize> rest{};
    if (!ReadAll(file, std::as_writable_bytes(std::span(name))) || !ReadAll(file, rest)) break;
    offset += name_length + rest.size() + DecodeU32(std::span(rest).subspan<1>());
    names.push_back(std::move(name));
  }
  return names;
}

// A path to add as components below the folder: "", "." and doubled separators drop out. Empty,
// with `problem` set, when it leads out of the folder or names a hidden file.
std::vector<std::string> SplitPathToAdd(std::string_view path, bool include_hidden,
                                        std::string& problem) {
  std::vector<std::string> components;
  if (path.starts_with('/') || path.starts_with('\\')) problem = "an absolute path";
  std::size_t start = 0;
  while (problem.empty() && start <= path.size()) {
    std::size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view component = path.substr(start, end - start);
    start = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      problem = "a \"..\" component";
    } else if (component.find(':') != std::string_view::npos) {
      problem = "a drive letter or stream";
    } else if (component.starts_with('.') && !include_hidden) {
      problem = "a hidden name, which pack leaves out (--hidden puts it in)";
    } else {
      components.emplace_back(component);
    }
  }
  if (!problem.empty()) components.clear();
  return components;
}

}  // namespace

TEdit::TEdit(LogOwner& owner, std::string package_file, Settings settings, FileSystem& file_system)
    : Worker(owner, std::move(package_file)),
      settings_(std::move(settings)),
      file_system_(file_system),
      names_(settings_.names) {
  for (const std::string& text : settings_.remove) patterns_.emplace_back(text);
  matched_.assign(patterns_.size(), false);
}

void TEdit::Execute() {
  const std::string shown = DisplayName(PackageFile);
  const bool adding = !settings_.add.empty();
  std::vector<std::vector<std::string>> paths;
  std::unique_ptr<Directory> folder;
  if (adding) {
    // Every path is checked before the package is touched.
    paths = PathsToAdd();
    if (paths.empty()) return Keep(LogLineText(text::kPackageKept, shown));
    Result<std::unique_ptr<Directory>> opened =
        file_system_.OpenDirectory(settings_.add_from, false);
    if (!opened.ok()) {
      Log(LogLineText(text::kCannotReadDirectory, DisplayName(settings_.add_from), opened.status()),
          LogKind::kProblem);
      return Keep(LogLineText(text::kPackageKept, shown));
    }
    folder = std::move(opened.value());
  }

  // The replacement holds the package while it is written, and the package is read through that
  // hold: no other job can change it between the read and the replace.
  Result<std::unique_ptr<OutputFile>> created = file_system_.CreateReplacing(PackageFile);
  if (!created.ok()) {
    return Keep(LogLineText(text::kCannotCreatePackage, shown, created.status()),
                JobResult::kNotOpened);
  }
  Result<std::unique_ptr<InputFile>> old = (*created)->OpenReplaced();
  if (!old.ok()) {
    return Keep(LogLineText(text::kOpenFailed, shown, old.status()), JobResult::kNotOpened);
  }
  if (adding) {
    for (std::string& name : RecordNames(**old)) ++to_come_[FoldedName(name, settings_.names)];
    if (Status rewound = (*old)->Seek(0); !rewound.ok()) {
      return Keep(LogLineText(text::kOpenFailed, shown, rewound), JobResult::kNotOpened);
    }
  }
  SetProgressTotal((*old)->size());
  RecordReader reader(**old);
  RecordWriter writer(**created);
  reader_ = &reader;
  writer_ = &writer;
  if (Status started = writer.Start(); !started.ok()) {
    return Keep(LogLineText(text::kWriteFailed, shown, started));
  }
  // A file that is no package is never made one, nor rewritten.
  if (PeekRecord() == Next::kStop) return;
  if (NotAPackage()) {
    Log(LogLineText(text::kNotAPackage, shown), LogKind::kProblem);
    return Keep(LogLineText(text::kPackageKept, shown));
  }
  if (adding && AddFiles(*folder, std::move(paths), **created, writer) == Next::kStop) return;
  if (CopyRecords() == Next::kStop) return;
  if (CheckWhole() == Next::kStop) return;

  Finish(**created, writer);
}

void TEdit::Finish(OutputFile& output, RecordWriter& writer) {
  const std::string shown = DisplayName(PackageFile);
  bool all_matched = true;
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    if (matched_[i]) continue;
    all_matched = false;
    Log(LogLineText(text::kNoSuchEntry, patterns_[i].text()), LogKind::kProblem);
  }
  if (!all_matched) return Keep(LogLineText(text::kPackageKept, shown), JobResult::kProblems);
  // An empty package in place of the user's firmware would pass for an edit that went well.
  if (entries_written_ == 0) {
    Log(LogLineText(text::kNothingLeft, shown), LogKind::kProblem);
    return Keep(LogLineText(text::kPackageKept, shown));
  }

  Status written = writer.WriteEndMarker();
  if (written.ok()) written = writer.WriteHeader();
  if (written.ok()) written = output.Commit([this] { return Cancelled(); });
  if (written.code() == Status::Code::kCancelled) return Keep(std::string(text::kCancelled));
  if (!written.ok()) return Keep(LogLineText(text::kWriteFailed, shown, written));
  for (LogLine& line : PackEndLines(added_, problems_)) Log(std::move(line.text), line.kind);
}

std::vector<std::vector<std::string>> TEdit::PathsToAdd() {
  std::vector<std::vector<std::string>> paths;
  for (const std::string& path : settings_.add) {
    std::string problem;
    std::vector<std::string> components = SplitPathToAdd(path, settings_.include_hidden, problem);
    if (!problem.empty()) {
      Log(LogLineText(text::kPathOutsideFolder, DisplayName(path),
                      Status::Error(Status::Code::kInvalidArgument, problem)),
          LogKind::kProblem);
      return {};
    }
    std::string host_path = settings_.add_from;
    for (const std::string& component : components) host_path = JoinPath(host_path, component);
    if (host_path.empty()) host_path = ".";
    if (Result<FileId> found = file_system_.Identify(host_path); !found.ok()) {
      Log(LogLineText(text::kNotInFolder, DisplayName(path), found.status()), LogKind::kProblem);
      return {};
    }
    paths.push_back(std::move(components));
  }
  return paths;
}

TEdit::Next TEdit::AddFiles(Directory& folder, std::vector<std::vector<std::string>> paths,
                            const OutputFile& output, RecordWriter& writer) {
  PackSettings packer;
  packer.names = settings_.names;
  packer.follow_all_links = settings_.follow_all_links;
  packer.include_hidden = settings_.include_hidden;
  packer.only = std::move(paths);
  // Neither the package nor its replacement is ever packed into itself.
  packer.excluded_files.push_back(output.id());
  if (Result<FileId> package = file_system_.Identify(PackageFile); package.ok()) {
    packer.excluded_files.push_back(*package);
  }
  Result<PackTotals> totals = PackDirectory(*this, writer, folder, packer, names_);
  if (!totals.ok()) {
    // The packer or the merge has said why.
    if (!kept_) Keep(LogLineText(text::kPackageKept, DisplayName(PackageFile)));
    return Next::kStop;
  }
  added_ = *totals;
  if (totals->entries == 0) {
    if (std::optional<LogLine> hidden = HiddenCountLine(added_)) Log(hidden->text, hidden->kind);
    Keep(LogLineText(text::kPackageKept, DisplayName(PackageFile)), JobResult::kProblems);
    return Next::kStop;
  }
  entries_written_ += totals->entries;
  return Next::kGoOn;
}

Status TEdit::BeforeEntry(std::string& entry_name) {
  const std::string folded = FoldedName(entry_name, settings_.names);
  const auto replaced = to_come_.find(folded);
  const bool replacing = replaced != to_come_.end() && replaced->second > 0;
  while (true) {
    if (Cancelled()) return Stopped();  // the packer says so
    if (PeekRecord() == Next::kStop) return Stopped();
    if (ended_) return Status::Ok();
    const EntryRecord& entry = reader_->entry();
    if (replacing && FoldedName(entry.name, settings_.names) == folded) {
      // Replaced in its place, under its own spelling, as a file system that ignores case keeps
      // the name of a file written over.
      entry_name = entry.name;
      Log(LogLineText(text::kReplaced, DisplayName(DecodeName(entry.name, settings_.names))));
      Passed();
      if (Status skipped = reader_->SkipData(); !skipped.ok()) {
        FailReading(skipped);
        return Stopped();
      }
      return Status::Ok();
    }
    if (!replacing && !EntryBefore(entry.name, entry_name, settings_.names)) return Status::Ok();
    if (CopyEntry() == Next::kStop) return Stopped();
  }
}

TEdit::Next TEdit::CopyRecords() {
  while (!Cancelled()) {
    if (PeekRecord() == Next::kStop) return Next::kStop;
    if (ended_) return Next::kGoOn;
    if (CopyEntry() == Next::kStop) return Next::kStop;
  }
  Keep(std::string(text::kCancelled));
  return Next::kStop;
}

TEdit::Next TEdit::PeekRecord() {
  while (!current_ && !ended_) {
    Result<RecordReader::Step> step = reader_->Next();
    if (settings_.add.empty()) SetProgress(reader_->offset());
    if (!step.ok()) return FailReading(step.status());
    tally_.Count(*step, *reader_);
    switch (*step) {
      case RecordReader::Step::kEnd:
        ended_ = true;
        break;
      case RecordReader::Step::kEndMarker:
        break;  // the fresh package gets its own, at its end
      case RecordReader::Step::kCorrupt:
        // What lies past a corrupt record cannot be told apart from records: an edit would
        // lose it or keep it as garbage.
        return CheckWhole();
      case RecordReader::Step::kEntry:
        current_ = true;
        break;
    }
  }
  return Next::kGoOn;
}

void TEdit::Passed() {
  current_ = false;
  if (to_come_.empty()) return;
  const auto it = to_come_.find(FoldedName(reader_->entry().name, settings_.names));
  if (it != to_come_.end() && it->second > 0) --it->second;
}

TEdit::Next TEdit::CopyEntry() {
  Passed();
  const EntryRecord& entry = reader_->entry();
  const std::string name = DecodeName(entry.name, settings_.names);
  if (Removed(name)) {
    Log(LogLineText(text::kRemoved, DisplayName(name)));
    if (Status skipped = reader_->SkipData(); !skipped.ok()) return FailReading(skipped);
    return Next::kGoOn;
  }
  // The record as it stands: its name bytes and data unchanged; only the attribute byte is the
  // packer's, as the header is.
  RecordWriter& writer = *writer_;
  if (Status begun = writer.BeginEntry(entry.name, entry.data_length); !begun.ok()) {
    Keep(LogLineText(text::kWriteFailed, DisplayName(PackageFile), begun));
    return Next::kStop;
  }
  while (true) {
    Result<std::span<const std::byte>> chunk = reader_->ReadData();
    if (!chunk.ok()) return FailReading(chunk.status());
    if (chunk->empty()) break;
    if (Status written = writer.WriteData(*chunk); !written.ok()) {
      Keep(LogLineText(text::kWriteFailed, DisplayName(PackageFile), written));
      return Next::kStop;
    }
  }
  if (Status finished = writer.FinishEntry(); !finished.ok()) {
    Keep(LogLineText(text::kWriteFailed, DisplayName(PackageFile), finished));
    return Next::kStop;
  }
  ++entries_written_;
  // Added files are checked against the entries kept, as pack checks the files of one tree.
  if (!settings_.add.empty() && !names_.Note(entry.name)) {
    Report(LogLineText(text::kNameCaseOnly, DisplayName(name)), LogKind::kProblem);
  }
  if (!settings_.add.empty()) Written(writer.size());
  return Next::kGoOn;
}

bool TEdit::Removed(std::string_view name) {
  bool removed = false;
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    if (patterns_[i].Matches(name)) removed = matched_[i] = true;
  }
  return removed;
}

bool TEdit::NotAPackage() const {
  return !reader_->HeaderComplete() || !reader_->MagicTextMatches();
}

TEdit::Next TEdit::FailReading(const Status& why) {
  if (why.ok() && NotAPackage()) {
    // What follows no package header is no record either.
    Log(LogLineText(text::kNotAPackage, DisplayName(PackageFile)), LogKind::kProblem);
  } else if (reader_->corruption()) {
    // The package shrank while it was read.
    return CheckWhole();
  } else {
    Log(LogLineText(text::kReadFailed, "", why), LogKind::kProblem);
  }
  Keep(LogLineText(text::kPackageKept, DisplayName(PackageFile)));
  return Next::kStop;
}

TEdit::Next TEdit::CheckWhole() {
  if (NotAPackage()) return FailReading(Status());
  bool whole = true;
  for (const IntegrityFinding& finding : CheckIntegrity(*reader_, tally_)) {
    if (finding.passed) continue;
    whole = false;
    Log(LogLineText(IntegrityProblemText(finding.kind), "",
                    Status::Error(Status::Code::kCorruption, finding.message)),
        LogKind::kProblem);
  }
  if (whole) return Next::kGoOn;
  // A fresh header would make the damage pass for a whole package; what can still be read is
  // rebuilt by unpacking it and packing the files again, which says what could not be read.
  Log(LogLineText(text::kDamagedPackage, DisplayName(PackageFile)), LogKind::kProblem);
  Keep(LogLineText(text::kPackageKept, DisplayName(PackageFile)));
  return Next::kStop;
}

void TEdit::Report(std::string text, LogKind kind) {
  if (kind == LogKind::kProblem) {
    NoteProblem();
    ++problems_;
  }
  Log(std::move(text), kind);
}

void TEdit::Keep(std::string line, JobResult result) {
  kept_ = true;
  SetResult(result);
  Log(std::move(line), LogKind::kProblem);
}

}  // namespace hxf
