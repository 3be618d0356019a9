#include "verify/package_check.h"

#include <algorithm>
#include <cstdio>

#include "core/package_format.h"
#include "verify/name_check.h"

namespace hxf {
namespace {

constexpr const char* kShortFile = "the file is shorter than a header";

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

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
  if (!reader.HeaderComplete()) return Report(findings, kKind, false, kShortFile);
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
  if (!reader.HeaderComplete()) return Report(findings, kKind, false, kShortFile);
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

bool ReportFields(Findings& findings, const RecordReader& reader) {
  if (!reader.HeaderComplete()) {
    Report(findings, CheckKind::kLength, false, kShortFile);
    return Report(findings, CheckKind::kChecksum, false, kShortFile);
  }
  const std::uint64_t size = reader.file_size();
  bool passed = Report(findings, CheckKind::kLength, reader.HeaderLengthField() == size,
                       "header says " + std::to_string(reader.HeaderLengthField()) + ", file has " +
                           std::to_string(size));
  passed &=
      Report(findings, CheckKind::kChecksum, reader.HeaderChecksumField() == reader.Checksum(),
             "header says " + Hex(reader.HeaderChecksumField()) + ", body sums to " +
                 Hex(reader.Checksum()));
  return passed;
}

bool ReportRecords(Findings& findings, const PackageScan& scan) {
  const RecordReader& reader = *scan.reader;
  const std::uint64_t size = reader.file_size();
  std::string records = std::to_string(scan.entries) + " entries";
  const std::optional<std::uint64_t> end_marker = scan.end_marker_offset;
  const bool passed = !reader.corruption() && end_marker && *end_marker + 4 == size;
  if (end_marker && *end_marker + 4 != size) {
    records += "; " + std::to_string(size - *end_marker - 4) +
               " bytes after the end marker at offset " + std::to_string(*end_marker);
  } else if (reader.corruption()) {
    records += "; " + Describe(*reader.corruption());
  } else if (!end_marker) {
    records += "; no end marker";
  }
  return Report(findings, CheckKind::kRecords, passed, records,
                reader.corruption() ? std::optional(reader.corruption()->offset) : end_marker);
}

bool ReportNames(Findings& findings, const NameCheck& names) {
  for (const NameFinding& finding : names.findings()) {
    Report(findings, CheckKind::kNames, false, finding.text, finding.offset);
  }
  return names.findings().empty() ? Report(findings, CheckKind::kNames, true, "") : false;
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
  ReportFields(findings, reader);
  ReportRecords(findings, check.scan);
  ReportNames(findings, names);
  ReportWindowsNames(findings, names);
  check.grade = Worst(findings);
  return check;
}

}  // namespace hxf
