#include "verify/package_check.h"

#include <algorithm>

#include "core/package_format.h"
#include "core/package_integrity.h"
#include "verify/name_check.h"

namespace hxf {
namespace {

std::string ByteSpan(std::size_t offset, std::size_t size) {
  return "bytes " + std::to_string(offset) + "-" + std::to_string(offset + size - 1);
}

using Findings = std::vector<CheckFinding>;  // of one run, in the order they are made

// Notes one finding; returns whether it passed.
bool Report(Findings& findings, CheckKind what, bool passed, const std::string& detail,
            std::optional<std::uint64_t> offset = std::nullopt) {
  findings.push_back({what, passed ? CheckGrade::kPassed : CheckGrade::kFailed, detail, offset});
  return passed;
}

bool ReportHeaderTexts(Findings& findings, const RecordReader& reader) {
  constexpr CheckKind kKind = CheckKind::kHeaderTexts;
  if (!reader.HeaderComplete()) return Report(findings, kKind, false, kShortFileProblem);
  bool passed = true;
  if (!reader.MagicTextMatches()) {
    passed = Report(findings, kKind, false,
                    ByteSpan(format::kMagicOffset, format::kMagicText.size()) + " are not \"" +
                        std::string(format::kMagicText) + "\"");
  }
  if (!reader.DescriptionTextMatches()) {
    passed = Report(findings, kKind, false,
                    ByteSpan(format::kDescriptionOffset, format::kDescriptionText.size()) +
                        " are not \"" + std::string(format::kDescriptionText) + "\"");
  }
  return passed ? Report(findings, kKind, true, "") : false;
}

bool ReportZeroFields(Findings& findings, const RecordReader& reader) {
  constexpr CheckKind kKind = CheckKind::kHeaderZeros;
  if (!reader.HeaderComplete()) return Report(findings, kKind, false, kShortFileProblem);
  bool passed = true;
  for (const format::ByteRange range : format::kZeroFields) {
    for (std::byte b : reader.header().subspan(range.offset, range.size)) {
      if (b == std::byte{0}) continue;
      passed =
          Report(findings, kKind, false, ByteSpan(range.offset, range.size) + " are not all zero");
      break;
    }
  }
  return passed ? Report(findings, kKind, true, "") : false;
}

// The length, the checksum and the records, as an edit in place checks them too.
void ReportIntegrity(Findings& findings, const PackageScan& scan) {
  for (IntegrityFinding& found : CheckIntegrity(*scan.reader, scan.records)) {
    const CheckKind kind = found.kind == IntegrityKind::kLength     ? CheckKind::kLength
                           : found.kind == IntegrityKind::kChecksum ? CheckKind::kChecksum
                                                                    : CheckKind::kRecords;
    Report(findings, kind, found.passed, found.message, found.offset);
  }
}

void ReportNames(Findings& findings, const NameCheck& names) {
  for (const NameFinding& finding : names.findings()) {
    Report(findings, CheckKind::kNames, false, finding.text, finding.offset);
  }
  // A name the unpacker cannot convert is whole in the package; only some hosts cannot write it.
  for (const NameFinding& finding : names.warnings()) {
    findings.push_back({CheckKind::kNames, CheckGrade::kWarning, finding.text, finding.offset});
  }
  if (names.findings().empty() && names.warnings().empty()) {
    Report(findings, CheckKind::kNames, true, "");
  }
}

// Names Windows cannot hold warn on every host, so a package made elsewhere is checked before it
// reaches Windows, where the unpacker refuses them.
void ReportWindowsNames(Findings& findings, const NameCheck& names) {
  for (const NameFinding& finding : names.windows_findings()) {
    findings.push_back(
        {CheckKind::kWindowsNames, CheckGrade::kWarning, finding.text, finding.offset});
  }
  if (names.windows_findings().empty()) Report(findings, CheckKind::kWindowsNames, true, "");
}

CheckGrade Worst(const Findings& findings) {
  CheckGrade worst = CheckGrade::kPassed;
  for (const CheckFinding& finding : findings) worst = std::max(worst, finding.grade);
  return worst;
}

}  // namespace

const char* CheckKindName(CheckKind kind) {
  switch (kind) {
    case CheckKind::kHeaderTexts:
      return "header texts";
    case CheckKind::kHeaderZeros:
      return "header zeros";
    case CheckKind::kLength:
      return "length";
    case CheckKind::kChecksum:
      return "checksum";
    case CheckKind::kRecords:
      return "records";
    case CheckKind::kNames:
      return "names";
    case CheckKind::kWindowsNames:
      return "windows names";
  }
  return "";
}

Result<PackageCheck> CheckPackage(std::unique_ptr<InputFile> file, NameEncoding encoding,
                                  const std::function<void(const RecordReader&)>& on_entry,
                                  const std::function<bool()>& stop) {
  NameCheck names(encoding);
  Result<PackageScan> scan = ScanPackage(
      std::move(file),
      [&](const RecordReader& reader) {
        names.Add(reader.entry());
        if (on_entry) on_entry(reader);
      },
      stop);
  if (!scan.ok()) return scan.status();
  PackageCheck check{std::move(scan.value()), {}};
  if (names.NeedsSecondPass()) {
    // The same file read again, for the names' sake only: what the check reports of the header,
    // the length and the records is from the first pass.
    std::unique_ptr<InputFile> again = std::move(check.scan.file);
    if (Status rewound = again->Seek(0); !rewound.ok()) return rewound;
    Result<PackageScan> second = ScanPackage(
        std::move(again), [&](const RecordReader& reader) { names.Recheck(reader.entry()); }, stop);
    if (!second.ok()) return second.status();
    check.scan.file = std::move(second->file);
  }
  const RecordReader& reader = *check.scan.reader;
  Findings& findings = check.findings;
  ReportHeaderTexts(findings, reader);
  ReportZeroFields(findings, reader);
  ReportIntegrity(findings, check.scan);
  ReportNames(findings, names);
  ReportWindowsNames(findings, names);
  check.grade = Worst(findings);
  return check;
}

}  // namespace hxf
