#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/package_scan.h"
#include "core/name_encoding.h"

namespace hxf::cli {

void AddListCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand("list", "Show the files a package holds, in its order");
  auto package = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, "The package to list")->required();
  command->callback([&options, &exit_status, package] {
    Result<PackageScan> scan = ScanPackage(*package, [&](const EntryRecord& entry) {
      const std::string name = DisplayName(DecodeName(entry.name, options.names));
      std::printf("%10u  %s\n", entry.data_length, name.c_str());
    });
    std::fflush(stdout);
    if (!scan.ok()) {
      PrintError(scan.status().message());
      exit_status = kExitFailure;
    } else if (!scan->problem.empty()) {
      PrintError(*package + ": " + scan->problem);
      exit_status = kExitProblems;
    }
  });
}

}  // namespace hxf::cli
