#include "pack/edit.h"

#include <memory>

#include "core/log_line.h"
#include "core/log_texts.h"

namespace hxf {

TEdit::TEdit(LogOwner& owner, std::string package_file, Settings settings, FileSystem& file_system)
    : Worker(owner, std::move(package_file)),
      settings_(std::move(settings)),
      file_system_(file_system) {
  for (const std::string& text : settings_.remove) patterns_.emplace_back(text);
  matched_.assign(patterns_.size(), false);
}

void TEdit::Execute() {
  const std::string shown = DisplayName(PackageFile);
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
  SetProgressTotal((*old)->size());
  RecordReader reader(**old);
  RecordWriter writer(**created);
  if (Status started = writer.Start(); !started.ok()) {
    return Keep(LogLineText(text::kWriteFailed, shown, started));
  }
  if (CopyRecords(reader, writer) == Next::kStop) return;

  bool all_matched = true;
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    if (matched_[i]) continue;
    all_matched = false;
    Log(LogLineText(text::kNoSuchEntry, patterns_[i].text()), LogKind::kProblem);
  }
  if (!all_matched) return Keep(LogLineText(text::kPackageKept, shown), JobResult::kProblems);

  Status written = writer.WriteEndMarker();
  if (written.ok()) written = writer.WriteHeader();
  if (written.ok()) written = (*created)->Commit();
  if (!written.ok()) return Keep(LogLineText(text::kWriteFailed, shown, written));
  Log(std::string(text::kFileClosed), LogKind::kFinal);
}

TEdit::Next TEdit::CopyRecords(RecordReader& reader, RecordWriter& writer) {
  while (!Cancelled()) {
    Result<RecordReader::Step> step = reader.Next();
    SetProgress(reader.offset());
    if (!step.ok()) return FailReading(reader, step.status());
    switch (*step) {
      case RecordReader::Step::kEnd:
        return Next::kGoOn;
      case RecordReader::Step::kEndMarker:
        continue;  // the fresh package gets its own, at its end
      case RecordReader::Step::kCorrupt:
        // What lies past a corrupt record cannot be told apart from records: an edit would
        // lose it or keep it as garbage.
        return FailReading(reader, Status());
      case RecordReader::Step::kEntry:
        if (CopyEntry(reader, writer) == Next::kStop) return Next::kStop;
        break;
    }
  }
  Keep(std::string(text::kCancelled));
  return Next::kStop;
}

TEdit::Next TEdit::CopyEntry(RecordReader& reader, RecordWriter& writer) {
  const EntryRecord& entry = reader.entry();
  const std::string name = DecodeName(entry.name, settings_.names);
  if (Removed(name)) {
    Log(LogLineText(text::kRemoved, DisplayName(name)));
    if (Status skipped = reader.SkipData(); !skipped.ok()) return FailReading(reader, skipped);
    return Next::kGoOn;
  }
  // The record as it stands: its name bytes and data unchanged; only the attribute byte is the
  // packer's, as the header is.
  if (Status begun = writer.BeginEntry(entry.name, entry.data_length); !begun.ok()) {
    Keep(LogLineText(text::kWriteFailed, DisplayName(PackageFile), begun));
    return Next::kStop;
  }
  while (true) {
    Result<std::span<const std::byte>> chunk = reader.ReadData();
    if (!chunk.ok()) return FailReading(reader, chunk.status());
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
  return Next::kGoOn;
}

bool TEdit::Removed(std::string_view name) {
  bool removed = false;
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    if (patterns_[i].Matches(name)) removed = matched_[i] = true;
  }
  return removed;
}

TEdit::Next TEdit::FailReading(RecordReader& reader, const Status& why) {
  if (reader.corruption()) {
    const Corruption& corruption = *reader.corruption();
    const std::string_view text = corruption.kind == Corruption::Kind::kNameLength
                                      ? text::kBadNameLengthAt
                                      : text::kTruncatedAt;
    Log(LogLineText(text, std::to_string(corruption.offset)), LogKind::kProblem);
  } else {
    Log(LogLineText(text::kReadFailed, "", why), LogKind::kProblem);
  }
  Keep(LogLineText(text::kPackageKept, DisplayName(PackageFile)));
  return Next::kStop;
}

void TEdit::Keep(std::string line, JobResult result) {
  SetResult(result);
  Log(std::move(line), LogKind::kProblem);
}

}  // namespace hxf
