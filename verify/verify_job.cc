#include "verify/verify_job.h"

#include <string_view>

#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/package_integrity.h"

namespace hxf {
namespace {

std::string_view ProblemText(CheckKind kind) {
  switch (kind) {
    case CheckKind::kHeaderTexts:
      return text::kHeaderTextsWrong;
    case CheckKind::kHeaderZeros:
      return text::kHeaderZerosWrong;
    case CheckKind::kLength:
      return IntegrityProblemText(IntegrityKind::kLength);
    case CheckKind::kChecksum:
      return IntegrityProblemText(IntegrityKind::kChecksum);
    case CheckKind::kRecords:
      return IntegrityProblemText(IntegrityKind::kRecords);
    case CheckKind::kNames:
    case CheckKind::kWindowsNames:
      return text::kNameProblem;
  }
  return {};
}

}  // namespace

TVerify::TVerify(LogOwner& owner, std::string package_file, Settings settings,
                 FileSystem& file_system)
    : Worker(owner, std::move(package_file)),
      settings_(std::move(settings)),
      file_system_(file_system) {}

void TVerify::Execute() {
  Log(LogLineText(text::kChecking, DisplayName(PackageFile)));
  Result<std::unique_ptr<InputFile>> package = file_system_.OpenForReading(PackageFile);
  if (!package.ok()) {
    // Only a line: the window stays as it was, ready for the next package.
    SetResult(JobResult::kNotOpened);
    Log(LogLineText(text::kOpenFailed, "", package.status()), LogKind::kProblem);
    return;
  }
  SetProgressTotal((*package)->size());
  Result<PackageCheck> check = CheckPackage(
      std::move(package.value()), settings_.names,
      [this](const RecordReader& reader) { SetProgress(reader.offset()); },
      [this] { return Cancelled(); });
  if (!check.ok()) {
    SetResult(JobResult::kFailed);
    if (check.status().code() == Status::Code::kCancelled) {
      Log(std::string(text::kCancelled), LogKind::kProblem);
    } else {
      Log(LogLineText(text::kReadFailed, "", check.status()), LogKind::kProblem);
    }
    return;
  }
  SetProgress(check->scan.reader->file_size());
  LogFindings(*check);
}

void TVerify::LogFindings(const PackageCheck& check) {
  Log(LogLineText(text::kEntryCount, std::to_string(check.scan.records.entries())));
  std::uint64_t problems = 0;
  for (const CheckFinding& finding : check.findings) {
    if (!finding.passed()) ++problems;
    LogFinding(finding, *check.scan.reader);
  }
  if (problems == 0) {
    Log(std::string(text::kCheckPassed), LogKind::kFinal);
    return;
  }
  NoteProblem();
  Log(LogLineText(text::kCheckProblems, std::to_string(problems)), LogKind::kFinal);
}

void TVerify::LogFinding(const CheckFinding& finding, const RecordReader& reader) {
  if (!finding.passed()) {
    Log(LogLineText(ProblemText(finding.kind), "",
                    Status::Error(Status::Code::kCorruption, finding.message)),
        LogKind::kProblem);
  } else if (finding.kind == CheckKind::kLength) {
    Log(LogLineText(text::kPackageLength, std::to_string(reader.file_size())));
  } else if (finding.kind == CheckKind::kChecksum) {
    Log(LogLineText(text::kPackageChecksum, ChecksumText(reader.Checksum())));
  }
}

}  // namespace hxf
