#include "unpack/extract.h"

#include <algorithm>
#include <cstring>

#include "core/entry_path.h"
#include "core/host_names.h"
#include "core/job_paths.h"
#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/package_format.h"
#include "unpack/directory_cache.h"
#include "unpack/written_names.h"

namespace hxf {
namespace {

constexpr std::size_t kCompareBufferSize = 64 * 1024;

// The key of the file the entry's host components name.
std::string FileKey(const std::vector<std::string>& components) {
  std::string path;
  for (const std::string& component : components) {
    if (!path.empty()) path += '/';
    path += component;
  }
  return HostFileKey(path);
}

// Whether `file` goes on with exactly `expected`, read a piece at a time through `buffer`.
Result<bool> GoesOnWith(InputFile& file, std::span<const std::byte> expected,
                        std::vector<std::byte>& buffer) {
  while (!expected.empty()) {
    const std::size_t wanted = std::min(buffer.size(), expected.size());
    Result<std::size_t> got = file.Read(std::span(buffer).first(wanted));
    if (!got.ok()) return got.status();
    if (*got == 0 || std::memcmp(buffer.data(), expected.data(), *got) != 0) return false;
    expected = expected.subspan(*got);
  }
  return true;
}

}  // namespace

TExtract::TExtract(LogOwner& owner, std::string package_file, Settings settings,
                   FileSystem& file_system)
    : Worker(owner, std::move(package_file)),
      settings_(std::move(settings)),
      file_system_(file_system) {
  for (const std::string& text : settings_.only) patterns_.emplace_back(text);
  matched_.assign(patterns_.size(), false);
}

void TExtract::Execute() {
  Result<std::unique_ptr<InputFile>> package = file_system_.OpenForReading(PackageFile);
  if (!package.ok()) {
    SetResult(JobResult::kNotOpened);
    ShowMessage({std::string(text::kOpenFailed), std::string(text::kErrorCaption),
                 package.status().message()});
    return;
  }
  // A file too short for a header holds no record: there is nothing to unpack, and an empty
  // folder would pass for an unpacked package.
  if ((*package)->size() < format::kHeaderSize) {
    SetResult(JobResult::kNotOpened);
    Log(LogLineText(text::kNotAPackage, DisplayName(PackageFile),
                    Status::Error(Status::Code::kCorruption, kShortFileProblem)),
        LogKind::kProblem);
    return;
  }
  // Made only once the package has opened: a package that cannot be opened leaves nothing behind.
  const std::string root_path =
      settings_.unpack_root.empty() ? DefaultUnpackRoot(PackageFile) : settings_.unpack_root;
  if (!SettleExistingFiles(root_path)) return;
  Result<std::unique_ptr<Directory>> root = file_system_.OpenDirectory(root_path, true);
  if (!root.ok()) {
    SetResult(JobResult::kFailed);
    Log(LogLineText(text::kCannotCreateDirectory, DisplayName(root_path), root.status()),
        LogKind::kProblem);
    return;
  }

  SetProgressTotal((*package)->size());
  RecordReader reader(**package);
  DirectoryCache directories(**root);
  WrittenNames written(reader.file_size(), [this, &reader](std::uint64_t record_offset) {
    return EarlierFileKey(reader, record_offset);
  });
  if (Unpack(reader, directories, written) == Next::kStop) {
    if (Cancelled()) {
      SetResult(JobResult::kFailed);
      Log(std::string(text::kCancelled), LogKind::kProblem);
      return;
    }
    if (result() == JobResult::kFailed) return;  // said why already; the unpack is not complete
  }
  CheckWhole(reader);
  LogUnmatched();
  LogEnd();
}

bool TExtract::SettleExistingFiles(const std::string& root_path) {
  existing_files_ = settings_.existing_files;
  if (!settings_.ask_about_existing_files || !HoldsFiles(root_path)) return true;
  existing_files_ = AskAboutExistingFiles(root_path);
  // The window stops its jobs by closing their questions: that answer is a cancel too.
  if (existing_files_ != ExistingFiles::kCancel && !Cancelled()) return true;
  SetResult(JobResult::kFailed);
  Log(std::string(text::kCancelled), LogKind::kProblem);
  return false;
}

bool TExtract::HoldsFiles(const std::string& root_path) {
  Result<std::unique_ptr<Directory>> root = file_system_.OpenDirectory(root_path, false);
  if (!root.ok()) return false;  // nothing there yet, or no folder: the unpack says so
  // A folder that cannot be listed may hold anything.
  Result<Listing> entries = (*root)->List();
  return !entries.ok() || !entries->empty();
}

TExtract::Next TExtract::Unpack(RecordReader& reader, DirectoryCache& directories,
                                WrittenNames& written) {
  while (!Cancelled()) {
    Result<RecordReader::Step> step = reader.Next();
    SetProgress(reader.offset());
    if (step.ok()) tally_.Count(*step, reader);
    if (!step.ok()) {
      // A read error while the rest was being summed after a corrupt record: say both.
      if (reader.corruption()) {
        NoteNotWritten();
        LogCorruption(*reader.corruption());
      }
      FailReading(step.status());
      return Next::kStop;
    }
    switch (*step) {
      case RecordReader::Step::kEnd:
        return Next::kGoOn;
      case RecordReader::Step::kEndMarker:
        continue;
      case RecordReader::Step::kCorrupt:
        NoteNotWritten();  // the record where the records end; those after it cannot be counted
        LogCorruption(*reader.corruption());
        return Next::kGoOn;
      case RecordReader::Step::kEntry:
        if (ExtractEntry(reader, directories, written) == Next::kStop) return Next::kStop;
        break;
    }
  }
  return Next::kStop;
}

TExtract::Next TExtract::ExtractEntry(RecordReader& reader, DirectoryCache& directories,
                                      WrittenNames& written) {
  const std::string name = DecodeName(reader.entry().name, settings_.names);
  const std::string shown = DisplayName(name);
  if (!Picked(name)) {
    if (Status skipped = reader.SkipData(); !skipped.ok()) {
      if (reader.corruption()) NoteNotWritten();
      StopReading(reader, skipped);
      return Next::kStop;
    }
    return Next::kGoOn;
  }
  if (HostNamesMustBeUtf8() && !IsValidUtf8(name)) {
    // What is wrong is the stored name's form, not the UTF-8 it failed to become.
    const Status why =
        Status::Error(Status::Code::kInvalidArgument, settings_.names == NameEncoding::kGbk
                                                          ? "the stored name is not valid GBK"
                                                          : "the stored name is not valid UTF-8");
    return Skip(reader, text::kCannotCreateFile, shown, why) == Outcome::kStop ? Next::kStop
                                                                               : Next::kGoOn;
  }
  Result<std::vector<std::string>> components = SplitEntryNameForHost(name);
  if (!components.ok()) {
    return Skip(reader, text::kUnsafeName, shown, Status()) == Outcome::kStop ? Next::kStop
                                                                              : Next::kGoOn;
  }
  const std::string key = FileKey(*components);
  Result<bool> again = written.Contains(key);
  if (!again.ok()) {
    StopReading(reader, again.status());
    return Next::kStop;
  }
  // The package's order decides, as it does for every other file: the later entry is written.
  if (*again) {
    NoteFlaw();
    Log(LogLineText(text::kNameGivenTwice, shown), LogKind::kProblem);
  }

  const Outcome outcome = ExtractFile(reader, directories, *components, shown, *again);
  if (outcome == Outcome::kWritten) NoteHidden(*components);
  if (outcome == Outcome::kWritten && !*again) written.Add(key, reader.entry().offset);
  return outcome == Outcome::kStop ? Next::kStop : Next::kGoOn;
}

TExtract::Outcome TExtract::ExtractFile(RecordReader& reader, DirectoryCache& directories,
                                        const std::vector<std::string>& components,
                                        const std::string& shown, bool written_in_this_run) {
  Result<Directory*> directory =
      directories.Open(std::span(components).first(components.size() - 1));
  if (!directory.ok()) return Skip(reader, text::kCannotCreateFile, shown, directory.status());
  // What this run wrote is no file of the user's: a later entry of its name replaces it.
  if (existing_files_ == ExistingFiles::kKeep && !written_in_this_run) {
    std::optional<Outcome> compared =
        CompareWithExisting(reader, **directory, components.back(), shown);
    if (compared) return *compared;
  }
  return WriteFile(reader, **directory, components.back(), shown);
}

std::optional<TExtract::Outcome> TExtract::CompareWithExisting(RecordReader& reader,
                                                               Directory& directory,
                                                               const std::string& name,
                                                               const std::string& shown) {
  Result<std::unique_ptr<InputFile>> existing = directory.OpenPlainFile(name);
  if (existing.status().code() == Status::Code::kNotFound) return std::nullopt;
  // A link, a folder or anything else at the name is left as it is, as a file that differs.
  Status why = existing.status();
  bool same = existing.ok() && (*existing)->size() == reader.entry().data_length;
  if (same && compare_buffer_.empty()) compare_buffer_.resize(kCompareBufferSize);
  while (same) {
    Result<std::span<const std::byte>> chunk = reader.ReadData();
    if (!chunk.ok()) {
      NoteNotWritten();
      return StopReading(reader, chunk.status());
    }
    if (chunk->empty()) return Outcome::kWritten;  // nothing to write: it holds the entry already
    Result<bool> goes_on = GoesOnWith(**existing, *chunk, compare_buffer_);
    if (!goes_on.ok()) why = goes_on.status();
    same = goes_on.ok() && *goes_on;
    SetProgress(reader.offset());
    if (Cancelled()) return Outcome::kStop;
  }
  NoteFlaw();
  Log(LogLineText(text::kExistingKept, shown, why), LogKind::kProblem);
  if (Status skipped = reader.SkipData(); !skipped.ok()) return StopReading(reader, skipped);
  return Outcome::kNotWritten;
}

TExtract::Outcome TExtract::WriteFile(RecordReader& reader, Directory& directory,
                                      const std::string& name, const std::string& shown) {
  Result<std::unique_ptr<OutputFile>> out = directory.CreateFile(name);
  if (!out.ok()) return Skip(reader, text::kCannotCreateFile, shown, out.status());

  while (true) {
    Result<std::span<const std::byte>> chunk = reader.ReadData();
    if (!chunk.ok()) {
      // The file shrank under the reader, or a read failed: the temporary file goes away unnamed.
      NoteNotWritten();
      StopReading(reader, chunk.status());
      Log(LogLineText(text::kNotWrittenKept, shown), LogKind::kProblem);
      return Outcome::kStop;
    }
    if (chunk->empty()) break;
    if (Status written = (*out)->Write(*chunk); !written.ok()) {
      NoteNotWritten();
      SetResult(JobResult::kFailed);
      Log(LogLineText(text::kWriteFailed, shown, written), LogKind::kProblem);
      Log(LogLineText(text::kNotWrittenKept, shown), LogKind::kProblem);
      return Outcome::kStop;
    }
    SetProgress(reader.offset());
    if (Cancelled()) return Outcome::kStop;
  }
  if (Status committed = (*out)->Commit([this] { return Cancelled(); }); !committed.ok()) {
    if (committed.code() == Status::Code::kCancelled) return Outcome::kStop;  // Execute says so
    NoteNotWritten();
    Log(LogLineText(text::kWriteFailed, shown, committed), LogKind::kProblem);
    Log(LogLineText(text::kNotWrittenKept, shown), LogKind::kProblem);
    return Outcome::kNotWritten;
  }
  return Outcome::kWritten;
}

// Leaves the record's data unread and unwritten, keeping the scan in step with the records.
TExtract::Outcome TExtract::Skip(RecordReader& reader, std::string_view text,
                                 const std::string& shown, const Status& why) {
  NoteNotWritten();
  Log(LogLineText(text, shown, why), LogKind::kProblem);
  if (Status skipped = reader.SkipData(); !skipped.ok()) return StopReading(reader, skipped);
  return Outcome::kNotWritten;
}

TExtract::Outcome TExtract::StopReading(const RecordReader& reader, const Status& why) {
  if (reader.corruption()) {
    LogCorruption(*reader.corruption());
  } else {
    FailReading(why);
  }
  return Outcome::kStop;
}

Result<std::string> TExtract::EarlierFileKey(RecordReader& reader,
                                             std::uint64_t record_offset) const {
  Result<std::string> stored = reader.NameAt(record_offset);
  if (!stored.ok()) return stored.status();
  Result<std::vector<std::string>> components =
      SplitEntryNameForHost(DecodeName(*stored, settings_.names));
  if (!components.ok()) return components.status();
  return FileKey(*components);
}

bool TExtract::Picked(std::string_view name) {
  if (patterns_.empty()) return true;
  bool picked = false;
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    if (patterns_[i].Matches(name)) picked = matched_[i] = true;
  }
  return picked;
}

void TExtract::LogUnmatched() {
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    if (matched_[i]) continue;
    NoteFlaw();
    Log(LogLineText(text::kNoSuchEntry, patterns_[i].text()), LogKind::kProblem);
  }
}

void TExtract::LogCorruption(const Corruption& corruption) {
  NoteProblem();
  const std::string_view text = corruption.kind == Corruption::Kind::kNameLength
                                    ? text::kBadNameLengthAt
                                    : text::kTruncatedAt;
  Log(LogLineText(text, std::to_string(corruption.offset)), LogKind::kProblem);
}

void TExtract::FailReading(const Status& why) {
  SetResult(JobResult::kFailed);
  Log(LogLineText(text::kReadFailed, "", why), LogKind::kProblem);
}

void TExtract::CheckWhole(const RecordReader& reader) {
  // Packages made by other tools may carry other texts; their records are read all the same,
  // but the user learns that this is not the package it claims to be.
  if (!reader.HeaderTextsMatch()) {
    NoteFlaw();
    Log(std::string(text::kHeaderTextsWrong), LogKind::kProblem);
  }
  if (reader.HeaderLengthField() != reader.file_size()) {
    NoteFlaw();
    Log(std::string(text::kLengthMismatch), LogKind::kProblem);
  } else if (reader.HeaderChecksumField() != reader.Checksum()) {
    NoteFlaw();
    Log(std::string(text::kChecksumMismatch), LogKind::kProblem);
  }
  // Where the records end in a corrupt one, that has been said; records that stop without an end
  // marker, or go on after it, are said here.
  if (reader.corruption()) return;
  for (const IntegrityFinding& finding : CheckIntegrity(reader, tally_)) {
    if (finding.kind != IntegrityKind::kRecords || finding.passed) continue;
    NoteFlaw();
    Log(LogLineText(text::kRecordsWrong, "",
                    Status::Error(Status::Code::kCorruption, finding.message)),
        LogKind::kProblem);
  }
}

void TExtract::LogEnd() {
  // An unpack with problems does not also say it is complete: its last line says what went wrong.
  if (not_written_ == 0 && flaws_ == 0) Log(std::string(text::kUnpackDone), LogKind::kFinal);
  if (hidden_written_ > 0) {
    Log(LogLineText(text::kHiddenUnpacked, std::to_string(hidden_written_)), LogKind::kFinal);
  }
  if (not_written_ > 0) {
    Log(LogLineText(text::kUnpackIncomplete, std::to_string(not_written_)), LogKind::kProblem);
  } else if (flaws_ > 0) {
    Log(LogLineText(text::kUnpackProblems, std::to_string(flaws_)), LogKind::kProblem);
  }
}

void TExtract::NoteHidden(const std::vector<std::string>& components) {
  // A repack passes over every file and folder whose name begins with a dot.
  for (const std::string& component : components) {
    if (!component.starts_with('.')) continue;
    ++hidden_written_;
    Log(LogLineText(text::kHiddenWritten, DisplayName(JoinEntryName(components))));
    return;
  }
}

void TExtract::NoteNotWritten() {
  NoteProblem();
  ++not_written_;
}

void TExtract::NoteFlaw() {
  NoteProblem();
  ++flaws_;
}

}  // namespace hxf
