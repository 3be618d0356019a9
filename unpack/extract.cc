#include "unpack/extract.h"

#include "core/entry_path.h"
#include "core/host_names.h"
#include "core/job_paths.h"
#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/package_format.h"
#include "unpack/directory_cache.h"

namespace hxf {
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
  if (Unpack(reader, directories) == Next::kStop) {
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

TExtract::Next TExtract::Unpack(RecordReader& reader, DirectoryCache& directories) {
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
        if (ExtractEntry(reader, directories) == Next::kStop) return Next::kStop;
        break;
    }
  }
  return Next::kStop;
}

TExtract::Next TExtract::ExtractEntry(RecordReader& reader, DirectoryCache& directories) {
  const std::string name = DecodeName(reader.entry().name, settings_.names);
  const std::string shown = DisplayName(name);
  if (!Picked(name)) {
    if (Status skipped = reader.SkipData(); !skipped.ok()) {
      if (reader.corruption()) {
        NoteNotWritten();
        LogCorruption(*reader.corruption());
      } else {
        FailReading(skipped);
      }
      return Next::kStop;
    }
    return Next::kGoOn;
  }

  // Leaves the record's data unread and unwritten, keeping the scan in step with the records.
  auto skip = [&](std::string_view text, const Status& why) {
    NoteNotWritten();
    Log(LogLineText(text, shown, why), LogKind::kProblem);
    if (Status skipped = reader.SkipData(); !skipped.ok()) {
      if (reader.corruption()) {
        LogCorruption(*reader.corruption());
      } else {
        FailReading(skipped);
      }
      return Next::kStop;
    }
    return Next::kGoOn;
  };

  if (HostNamesMustBeUtf8() && !IsValidUtf8(name)) {
    // What is wrong is the stored name's form, not the UTF-8 it failed to become.
    return skip(text::kCannotCreateFile, Status::Error(Status::Code::kInvalidArgument,
                                                       settings_.names == NameEncoding::kGbk
                                                           ? "the stored name is not valid GBK"
                                                           : "the stored name is not valid UTF-8"));
  }
  Result<std::vector<std::string>> components = SplitEntryNameForHost(name);
  if (!components.ok()) return skip(text::kUnsafeName, Status());

  Result<Directory*> directory =
      directories.Open(std::span(*components).first(components->size() - 1));
  if (!directory.ok()) return skip(text::kCannotCreateFile, directory.status());
  Result<std::unique_ptr<OutputFile>> out = (*directory)->CreateFile(components->back());
  if (!out.ok()) return skip(text::kCannotCreateFile, out.status());

  while (true) {
    Result<std::span<const std::byte>> chunk = reader.ReadData();
    if (!chunk.ok()) {
      // The file shrank under the reader, or a read failed: the temporary file goes away unnamed.
      NoteNotWritten();
      if (reader.corruption()) {
        LogCorruption(*reader.corruption());
      } else {
        FailReading(chunk.status());
      }
      Log(LogLineText(text::kNotWrittenKept, shown), LogKind::kProblem);
      return Next::kStop;
    }
    if (chunk->empty()) break;
    if (Status written = (*out)->Write(*chunk); !written.ok()) {
      NoteNotWritten();
      SetResult(JobResult::kFailed);
      Log(LogLineText(text::kWriteFailed, shown, written), LogKind::kProblem);
      Log(LogLineText(text::kNotWrittenKept, shown), LogKind::kProblem);
      return Next::kStop;
    }
    SetProgress(reader.offset());
    if (Cancelled()) return Next::kStop;
  }
  if (Status committed = (*out)->Commit([this] { return Cancelled(); }); !committed.ok()) {
    if (committed.code() == Status::Code::kCancelled)
      return Next::kStop;  // Execute logs the cancel
    NoteNotWritten();
    Log(LogLineText(text::kWriteFailed, shown, committed), LogKind::kProblem);
    Log(LogLineText(text::kNotWrittenKept, shown), LogKind::kProblem);
    return Next::kGoOn;
  }
  NoteHidden(*components);
  return Next::kGoOn;
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
