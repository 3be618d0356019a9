#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/terminal_log.h"
#include "pack/edit.h"

namespace hxf::cli {

void AddRemoveCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command =
      app.add_subcommand("remove", "Take entries out of a package in place, without unpacking it");
  auto package = std::make_shared<std::string>();
  auto names = std::make_shared<std::vector<std::string>>();
  command->add_option("PACKAGE", *package, "The package to change")->required();
  command
      ->add_option("NAME", *names,
                   "The entries to take out: names or patterns as unpack takes them; when one "
                   "picks nothing, the package is left as it was")
      ->required();
  command->callback([&options, &exit_status, package, names] {
    TerminalLog log(options);
    Joined<TEdit> worker(log, *package, TEdit::Settings{.names = options.names, .remove = *names});
    exit_status = log.Run(worker);
  });
}

}  // namespace hxf::cli
