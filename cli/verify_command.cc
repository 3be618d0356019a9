#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/name_check.h"
#include "cli/package_scan.h"
#include "core/package_format.h"

namespace hxf::cli {
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

// Prints one finding; returns whether it passed.
bool Report(const char* what, bool passed, const std::string& detail) {
  std::printf("%-13s %-6s %s\n", what, passed ? "ok" : "FAILED", detail.c_str());
  return passed;
}

bool ReportHeaderTexts(const RecordReader& reader) {
  if (!reader.HeaderComplete()) return Report("header texts", false, kShortFile);
  bool passed = true;
  if (!reader.MagicTextMatches()) {
    passed = Report("header texts", false,
                    ByteSpan(format::kMagicOffset, format::kMagicText.size()) + " are not \"" +
                        std::string(format::kMagicText) + "\"");
  }
  if (!reader.DescriptionTextMatches()) {
    passed = Report("header texts", false,
                    ByteSpan(format::kDescriptionOffset, format::kDescriptionText.size()) +
                        " are not \"" + std::string(format::kDescriptionText) + "\"");
  }
  return passed ? Report("header texts", true, "") : false;
}

bool ReportZeroFields(const RecordReader& reader) {
  if (!reader.HeaderComplete()) return Report("header zeros", false, kShortFile);
  bool passed = true;
  for (const format::ByteRange range : format::kZeroFields) {
    for (std::byte b : reader.header().subspan(range.offset, range.size)) {
      if (b == std::byte{0}) continue;
      passed =
          Report("header zeros", false, ByteSpan(range.offset, range.size) + " are not all zero");
      break;
    }
  }
  return passed ? Report("header zeros", true, "") : false;
}

bool ReportFields(const RecordReader& reader) {
  if (!reader.HeaderComplete()) {
    Report("length", false, kShortFile);
    return Report("checksum", false, kShortFile);
  }
  const std::uint64_t size = reader.file_size();
  bool passed = Report("length", reader.HeaderLengthField() == size,
                       "header says " + std::to_string(reader.HeaderLengthField()) + ", file has " +
                           std::to_string(size));
  passed &= Report("checksum", reader.HeaderChecksumField() == reader.Checksum(),
                   "header says " + Hex(reader.HeaderChecksumField()) + ", body sums to " +
                       Hex(reader.Checksum()));
  return passed;
}

bool ReportRecords(const PackageScan& scan) {
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
  return Report("records", passed, records);
}

bool ReportNames(const NameCheck& names) {
  for (const std::string& finding : names.findings()) Report("names", false, finding);
  return names.findings().empty() ? Report("names", true, "") : false;
}

int Verify(const std::string& path, NameEncoding encoding) {
  NameCheck names(encoding);
  Result<PackageScan> scan =
      ScanPackage(path, [&](const RecordReader& reader) { names.Add(reader.entry()); });
  if (!scan.ok()) {
    PrintError(scan.status().message());
    return kExitFailure;
  }
  const RecordReader& reader = *scan->reader;
  bool passed = ReportHeaderTexts(reader);
  passed &= ReportZeroFields(reader);
  passed &= ReportFields(reader);
  passed &= ReportRecords(*scan);
  passed &= ReportNames(names);
  std::printf("%s: %s\n", path.c_str(), passed ? "ok" : "FAILED");
  std::fflush(stdout);
  return passed ? kExitOk : kExitProblems;
}

}  // namespace

void AddVerifyCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand(
      "verify", "Check a package's header, length, checksum, records and names before flashing it");
  auto package = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, "The package to check")->required();
  command->callback(
      [&options, &exit_status, package] { exit_status = Verify(*package, options.names); });
}

}  // namespace hxf::cli
