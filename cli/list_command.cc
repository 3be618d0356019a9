#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/package_scan.h"
#include "core/name_encoding.h"

namespace hxf::cli {
namespace {

// Why the file is no package at all, or empty when it has a package's header.
std::string NotAPackage(const RecordReader& reader) {
  if (!reader.HeaderComplete()) return "not a package: the file is shorter than a header";
  if (!reader.MagicTextMatches()) return "not a package: the header text is missing";
  return {};
}

}  // namespace

void AddListCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand("list", "Show the files a package holds, in its order");
  auto package = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, "The package to list")->required();
  command->callback([&options, &exit_status, package] {
    Result<PackageScan> scan = ScanPackage(*package, [&](const RecordReader& reader) {
      if (!NotAPackage(reader).empty()) return;  // what follows no header is no list of files
      const EntryRecord& entry = reader.entry();
      const std::string name = DisplayName(DecodeName(entry.name, options.names));
      std::printf("%10u  %s\n", entry.data_length, name.c_str());
    });
    std::fflush(stdout);
    if (!scan.ok()) {
      PrintError(scan.status().message());
      exit_status = kExitFailure;
      return;
    }
    const RecordReader& reader = *scan->reader;
    if (std::string why = NotAPackage(reader); !why.empty()) {
      PrintError(*package + ": " + why);
      exit_status = kExitProblems;
    } else if (reader.corruption()) {
      PrintError(*package + ": " + Describe(*reader.corruption()));
      exit_status = kExitProblems;
    }
  });
}

}  // namespace hxf::cli
