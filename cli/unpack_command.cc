#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/terminal_log.h"
#include "unpack/extract.h"

namespace hxf::cli {

void AddUnpackCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand("unpack", "Write every file of a package into a folder");
  auto package = std::make_shared<std::string>();
  auto directory = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, "The package to unpack")->required();
  command->add_option("-C,--directory", *directory,
                      "The folder to unpack into (default: out_hxf beside the package)");
  command->callback([&options, &exit_status, package, directory] {
    TerminalLog log(options);
    TExtract worker(log);
    worker.PackageFile = *package;
    worker.UnpackRoot = *directory;
    worker.Names = options.names;
    exit_status = log.Run(worker);
  });
}

}  // namespace hxf::cli
