#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/terminal_log.h"
#include "pack/package.h"

namespace hxf::cli {

void AddPackCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand("pack", "Pack the files of a folder into a package");
  auto package = std::make_shared<std::string>();
  auto directory = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, "The package to write")->required();
  command->add_option("-C,--directory", *directory,
                      "The folder to pack (default: in_hxf beside the package)");
  command->callback([&options, &exit_status, package, directory] {
    TerminalLog log(options);
    TPackage worker(log);
    worker.PackageFile = *package;
    worker.PackRoot = *directory;
    worker.Names = options.names;
    exit_status = log.Run(worker);
  });
}

}  // namespace hxf::cli
