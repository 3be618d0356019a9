#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/terminal.h"
#include "verify/package_check.h"

namespace hxf::cli {
namespace {

const char* GradeText(CheckGrade grade) {
  switch (grade) {
    case CheckGrade::kPassed:
      return "ok";
    case CheckGrade::kWarning:
      return "WARN";
    case CheckGrade::kFailed:
      return "FAILED";
  }
  return "FAILED";
}

const char* GradeName(CheckGrade grade) {
  switch (grade) {
    case CheckGrade::kPassed:
      return "ok";
    case CheckGrade::kWarning:
      return "warning";
    case CheckGrade::kFailed:
      return "failed";
  }
  return "failed";
}

// One line per check, then the verdict; `quiet`: only the checks that did not pass.
void PrintText(const PackageCheck& check, const std::string& path, bool quiet) {
  for (const CheckFinding& finding : check.findings) {
    if (quiet && finding.passed()) continue;
    char fields[32];
    std::snprintf(fields, sizeof fields, "%-13s %-6s", CheckKindName(finding.kind),
                  GradeText(finding.grade));
    std::string line = fields;
    if (finding.message.empty()) {
      line.erase(line.find_last_not_of(' ') + 1);
    } else {
      line += " " + finding.message;
    }
    WriteOutput(line + "\n");
  }
  if (quiet) return;
  WriteOutput(path + ": " +
              (check.grade == CheckGrade::kWarning ? "WARNINGS" : GradeText(check.grade)) + "\n");
}

void PrintDocument(const PackageCheck& check, const std::string& path, nlohmann::json entries) {
  const PackageScan& scan = check.scan;
  const RecordReader& reader = *scan.reader;
  nlohmann::json header = nullptr;
  if (reader.HeaderComplete()) {
    header = {{"texts_match", reader.HeaderTextsMatch()},
              {"length", reader.HeaderLengthField()},
              {"checksum", reader.HeaderChecksumField()}};
  }
  nlohmann::json listed = nlohmann::json::array();
  for (const CheckFinding& finding : check.findings) {
    listed.push_back({{"kind", CheckKindName(finding.kind)},
                      {"passed", finding.passed()},
                      {"grade", GradeName(finding.grade)},
                      {"offset", finding.offset ? nlohmann::json(*finding.offset) : nullptr},
                      {"message", finding.message}});
  }
  const auto warnings =
      std::count_if(check.findings.begin(), check.findings.end(),
                    [](const CheckFinding& f) { return f.grade == CheckGrade::kWarning; });
  PrintJson({{"package", path},
             {"ok", check.passed()},
             {"warnings", warnings},
             {"file_size", reader.file_size()},
             {"body_checksum", reader.Checksum()},
             {"header", header},
             {"findings", listed},
             {"entries", std::move(entries)}});
}

int Verify(const std::string& path, const CommonOptions& options, bool json) {
  const NameEncoding encoding = options.names;
  Result<std::unique_ptr<InputFile>> file = SystemFileSystem().OpenForReading(path);
  if (!file.ok()) {
    PrintError(file.status().message());
    return kExitFailure;
  }
  nlohmann::json entries = nlohmann::json::array();
  Result<PackageCheck> check =
      CheckPackage(std::move(file.value()), encoding, [&](const RecordReader& reader) {
        if (json) entries.push_back(EntryJson(reader.entry(), encoding));
      });
  if (!check.ok()) {
    PrintError(check.status().message());
    return kExitFailure;
  }
  if (json) {
    PrintDocument(*check, path, std::move(entries));
  } else {
    PrintText(*check, path, options.verbosity == 0);
  }
  std::fflush(stdout);
  // A warning, as anything wrong, gives exit status 1: a script flashing from Windows must see it.
  return check->passed() ? kExitOk : kExitProblems;
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
  command->callback(
      [&options, &exit_status, package, json] { exit_status = Verify(*package, options, *json); });
}

}  // namespace hxf::cli
