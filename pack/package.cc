#include "pack/package.h"

#include <memory>
#include <string_view>

#include "core/job_paths.h"
#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/record_writer.h"
#include "pack/pack_end.h"

namespace hxf {
TPackage::TPackage(LogOwner& owner, std::string package_file, Settings settings,
                   FileSystem& file_system)
    : Worker(owner, std::move(package_file)),
      settings_(std::move(settings)),
      file_system_(file_system) {}

void TPackage::Execute() {
  const std::string shown_package = DisplayName(PackageFile);
  // What is at the package's name before we start: the package being replaced, if any.
  const Result<FileId> previous = file_system_.Identify(PackageFile);
  // The package is written beside PackageFile and takes its place only on Commit: until then
  // the previous package stays whole, and any failure leaves it as it was.
  Result<std::unique_ptr<OutputFile>> created = file_system_.CreateReplacing(PackageFile);
  if (!created.ok()) {
    return Fail(LogLineText(text::kCannotCreatePackage, shown_package, created.status()),
                JobResult::kNotOpened);
  }
  OutputFile& output = **created;
  RecordWriter package(output);
  if (Status started = package.Start(); !started.ok()) {
    return Fail(LogLineText(text::kWriteFailed, shown_package, started));
  }
  Log(std::string(text::kAdding) + shown_package + std::string(text::kPack));

  // A missing in_hxf beside the package is made, to show the user where the files go; a folder
  // the caller named must exist.
  const bool default_root = settings_.pack_root.empty();
  const std::string root_path = default_root ? DefaultPackRoot(PackageFile) : settings_.pack_root;
  Result<std::unique_ptr<Directory>> root = file_system_.OpenDirectory(root_path, default_root);
  if (!root.ok()) {
    return Fail(LogLineText(text::kCannotReadDirectory, DisplayName(root_path), root.status()),
                JobResult::kNotOpened);
  }

  PackSettings packer;
  packer.names = settings_.names;
  packer.follow_all_links = settings_.follow_all_links;
  packer.include_hidden = settings_.include_hidden;
  packer.excluded_files.push_back(output.id());
  if (previous.ok()) packer.excluded_files.push_back(*previous);
  Result<PackTotals> totals = PackDirectory(*this, package, **root, packer);
  if (!totals.ok()) {
    SetResult(JobResult::kFailed);  // the packer has said why
    return;
  }
  // An empty package in place of the user's firmware would pass for a repack that went well.
  if (totals->entries == 0 && previous.ok()) {
    return Fail(LogLineText(text::kNothingToPackKept, DisplayName(root_path)));
  }
  // A new package may be empty, but a folder without files is seldom what the user meant to pack.
  if (totals->entries == 0)
    Report(LogLineText(text::kFolderEmpty, DisplayName(root_path)), LogKind::kProblem);

  if (Status ended = package.WriteEndMarker(); !ended.ok()) {
    return Fail(LogLineText(text::kWriteFailed, shown_package, ended));
  }
  Log(std::string(text::kPackingDone));
  if (Status header = package.WriteHeader(); !header.ok()) {
    return Fail(LogLineText(text::kWriteFailed, shown_package, header));
  }
  // A stop that comes while the package is flushed still keeps the old one; once the new one has
  // its name, the job has done what it was asked.
  if (Status committed = output.Commit([this] { return Cancelled(); }); !committed.ok()) {
    if (committed.code() == Status::Code::kCancelled) return Fail(std::string(text::kCancelled));
    return Fail(LogLineText(text::kWriteFailed, shown_package, committed));
  }
  SetProgress(package.size());
  LogEnd(*totals);
}

void TPackage::LogEnd(const PackTotals& totals) {
  for (LogLine& line : PackEndLines(totals, problems_)) Log(std::move(line.text), line.kind);
}

void TPackage::Report(std::string text, LogKind kind) {
  if (kind == LogKind::kProblem) {
    NoteProblem();
    ++problems_;
  }
  Log(std::move(text), kind);
}

void TPackage::Fail(std::string line, JobResult result) {
  SetResult(result);
  Log(std::move(line), LogKind::kProblem);
}

}  // namespace hxf
