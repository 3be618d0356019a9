#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/package_scan.h"

namespace hxf::cli {
namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// Prints one finding; returns whether it passed.
bool Report(const char* what, bool passed, const std::string& detail) {
  std::printf("%-13s %-6s %s\n", what, passed ? "ok" : "FAILED", detail.c_str());
  return passed;
}

int Verify(const std::string& path) {
  Result<PackageScan> scan = ScanPackage(path, [](const EntryRecord&) {});
  if (!scan.ok()) {
    PrintError(scan.status().message());
    return kExitFailure;
  }
  const RecordReader& reader = *scan->reader;
  const std::uint64_t size = reader.file_size();
  bool passed = Report("header texts", reader.HeaderTextsMatch(),
                       reader.HeaderComplete() ? "" : "the file is shorter than a header");
  passed &= Report("length", reader.HeaderLengthField() == size,
                   "header says " + std::to_string(reader.HeaderLengthField()) + ", file has " +
                       std::to_string(size));
  passed &= Report("checksum", reader.HeaderChecksumField() == reader.Checksum(),
                   "header says " + Hex(reader.HeaderChecksumField()) + ", body sums to " +
                       Hex(reader.Checksum()));

  std::string records = std::to_string(scan->entries) + " entries";
  const std::optional<std::uint64_t> end_marker = scan->end_marker_offset;
  const bool records_passed = scan->problem.empty() && end_marker && *end_marker + 4 == size;
  if (end_marker && *end_marker + 4 != size) {
    records += "; " + std::to_string(size - *end_marker - 4) +
               " bytes after the end marker at offset " + std::to_string(*end_marker);
  } else if (!scan->problem.empty()) {
    records += "; " + scan->problem;
  } else if (!end_marker) {
    records += "; no end marker";
  }
  passed &= Report("records", records_passed, records);
  std::printf("%s: %s\n", path.c_str(), passed ? "ok" : "FAILED");
  std::fflush(stdout);
  return passed ? kExitOk : kExitProblems;
}

}  // namespace

void AddVerifyCommand(CLI::App& app, const CommonOptions&, int& exit_status) {
  CLI::App* command = app.add_subcommand(
      "verify", "Check a package's header, length, checksum and records before flashing it");
  auto package = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, "The package to check")->required();
  command->callback([&exit_status, package] { exit_status = Verify(*package); });
}

}  // namespace hxf::cli
