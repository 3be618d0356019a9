#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/name_check.h"
#include "cli/package_scan.h"
#include "cli/terminal.h"
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

struct Finding {
  const char* kind;
  bool passed;
  std::string message;
  std::optional<std::uint64_t> offset;  // of the record concerned, when there is one
};

using Findings = std::vector<Finding>;  // of one run, in the order they are made

// Notes one finding; returns whether it passed.
bool Report(Findings& findings, const char* what, bool passed, const std::string& detail,
            std::optional<std::uint64_t> offset = std::nullopt) {
  findings.push_back({what, passed, detail, offset});
  return passed;
}

bool ReportHeaderTexts(Findings& findings, const RecordReader& reader) {
  if (!reader.HeaderComplete()) return Report(findings, "header texts", false, kShortFile);
  bool passed = true;
  if (!reader.MagicTextMatches()) {
    passed = Report(findings, "header texts", false,
                    ByteSpan(format::kMagicOffset, format::kMagicText.size()) + " are not \"" +
                        std::string(format::kMagicText) + "\"");
  }
  if (!reader.DescriptionTextMatches()) {
    passed = Report(findings, "header texts", false,
                    ByteSpan(format::kDescriptionOffset, format::kDescriptionText.size()) +
                        " are not \"" + std::string(format::kDescriptionText) + "\"");
  }
  return passed ? Report(findings, "header texts", true, "") : false;
}

bool ReportZeroFields(Findings& findings, const RecordReader& reader) {
  if (!reader.HeaderComplete()) return Report(findings, "header zeros", false, kShortFile);
  bool passed = true;
  for (const format::ByteRange range : format::kZeroFields) {
    for (std::byte b : reader.header().subspan(range.offset, range.size)) {
      if (b == std::byte{0}) continue;
      passed = Report(findings, "header zeros", false,
                      ByteSpan(range.offset, range.size) + " are not all zero");
      break;
    }
  }
  return passed ? Report(findings, "header zeros", true, "") : false;
}

bool ReportFields(Findings& findings, const RecordReader& reader) {
  if (!reader.HeaderComplete()) {
    Report(findings, "length", false, kShortFile);
    return Report(findings, "checksum", false, kShortFile);
  }
  const std::uint64_t size = reader.file_size();
  bool passed = Report(findings, "length", reader.HeaderLengthField() == size,
                       "header says " + std::to_string(reader.HeaderLengthField()) + ", file has " +
                           std::to_string(size));
  passed &= Report(findings, "checksum", reader.HeaderChecksumField() == reader.Checksum(),
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
  return Report(findings, "records", passed, records,
                reader.corruption() ? std::optional(reader.corruption()->offset) : end_marker);
}

bool ReportNames(Findings& findings, const NameCheck& names) {
  for (const NameFinding& finding : names.findings()) {
    Report(findings, "names", false, finding.text, finding.offset);
  }
  return names.findings().empty() ? Report(findings, "names", true, "") : false;
}

void PrintText(const Findings& findings, const std::string& path, bool passed) {
  for (const Finding& finding : findings) {
    char fields[32];
    std::snprintf(fields, sizeof fields, "%-13s %-6s ", finding.kind,
                  finding.passed ? "ok" : "FAILED");
    WriteOutput(fields + finding.message + "\n");
  }
  WriteOutput(path + ": " + (passed ? "ok" : "FAILED") + "\n");
}

void PrintDocument(const Findings& findings, const std::string& path, bool passed,
                   const PackageScan& scan, nlohmann::json entries) {
  const RecordReader& reader = *scan.reader;
  nlohmann::json header = nullptr;
  if (reader.HeaderComplete()) {
    header = {{"texts_match", reader.HeaderTextsMatch()},
              {"length", reader.HeaderLengthField()},
              {"checksum", reader.HeaderChecksumField()}};
  }
  nlohmann::json listed = nlohmann::json::array();
  for (const Finding& finding : findings) {
    listed.push_back({{"kind", finding.kind},
                      {"passed", finding.passed},
                      {"offset", finding.offset ? nlohmann::json(*finding.offset) : nullptr},
                      {"message", finding.message}});
  }
  PrintJson({{"package", path},
             {"ok", passed},
             {"file_size", reader.file_size()},
             {"body_checksum", reader.Checksum()},
             {"header", header},
             {"findings", listed},
             {"entries", std::move(entries)}});
}

int Verify(const std::string& path, NameEncoding encoding, bool json) {
  NameCheck names(encoding);
  nlohmann::json entries = nlohmann::json::array();
  Result<PackageScan> scan = ScanPackage(path, [&](const RecordReader& reader) {
    names.Add(reader.entry());
    if (json) entries.push_back(EntryJson(reader.entry(), encoding));
  });
  if (!scan.ok()) {
    PrintError(scan.status().message());
    return kExitFailure;
  }
  const RecordReader& reader = *scan->reader;
  Findings findings;
  bool passed = ReportHeaderTexts(findings, reader);
  passed &= ReportZeroFields(findings, reader);
  passed &= ReportFields(findings, reader);
  passed &= ReportRecords(findings, *scan);
  passed &= ReportNames(findings, names);
  if (json) {
    PrintDocument(findings, path, passed, *scan, std::move(entries));
  } else {
    PrintText(findings, path, passed);
  }
  std::fflush(stdout);
  return passed ? kExitOk : kExitProblems;
}

}  // namespace

void AddVerifyCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand(
      "verify", "Check a package's header, length, checksum, records and names before flashing it");
  auto package = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("PACKAGE", *package, "The package to check")->required();
  command->add_flag("--json", *json,
                    "Print one JSON document: the header's fields, each finding's kind, offset "
                    "and message, and the entries");
  command->callback([&options, &exit_status, package, json] {
    exit_status = Verify(*package, options.names, *json);
  });
}

}  // namespace hxf::cli
