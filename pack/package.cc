#include "pack/package.h"

#include <memory>
#include <string_view>

#include "core/job_paths.h"
#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/record_writer.h"

namespace hxf {
TPackage::TPackage(LogOwner& owner, FileSystem& file_system)
    : Worker(owner), file_system_(file_system) {}

void TPackage::Execute() {
  const std::string shown_package = DisplayName(PackageFile);
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

  // A missing pack root is made empty and gives a package without entries.
  const std::string root_path = PackRoot.empty() ? DefaultPackRoot(PackageFile) : PackRoot;
  Result<std::unique_ptr<Directory>> root = file_system_.OpenDirectory(root_path, true);
  if (!root.ok()) {
    return Fail(LogLineText(text::kCannotReadDirectory, DisplayName(root_path), root.status()));
  }

  PackSettings settings;
  settings.names = Names;
  settings.excluded_files.push_back(output.id());
  if (Result<FileId> previous = file_system_.Identify(PackageFile); previous.ok()) {
    settings.excluded_files.push_back(*previous);
  }
  if (!PackDirectory(*this, file_system_, package, **root, settings).ok()) {
    SetResult(JobResult::kFailed);  // the packer has said why
    return;
  }

  if (Status ended = package.WriteEndMarker(); !ended.ok()) {
    return Fail(LogLineText(text::kWriteFailed, shown_package, ended));
  }
  Log(std::string(text::kPackingDone));
  if (Status header = package.WriteHeader(); !header.ok()) {
    return Fail(LogLineText(text::kWriteFailed, shown_package, header));
  }
  if (Cancelled()) return Fail(std::string(text::kCancelled));
  if (Status committed = output.Commit(); !committed.ok()) {
    return Fail(LogLineText(text::kWriteFailed, shown_package, committed));
  }
  SetProgress(package.size());
  Log(std::string(text::kFileClosed), LogKind::kFinal);
}

void TPackage::Report(std::string text, LogKind kind) {
  if (kind == LogKind::kProblem) NoteProblem();
  Log(std::move(text), kind);
}

void TPackage::Fail(std::string line, JobResult result) {
  SetResult(result);
  Log(std::move(line), LogKind::kProblem);
}

}  // namespace hxf
