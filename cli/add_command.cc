#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/terminal_log.h"
#include "pack/edit.h"

namespace hxf::cli {

void AddAddCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand(
      "add", "Put files into a package in place, without unpacking it, as pack would store them");
  auto settings = std::make_shared<TEdit::Settings>();
  auto package = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, "The package to change")->required();
  command->add_option("-C,--directory", settings->add_from,
                      "The folder the paths are read from (default: the current folder)");
  command
      ->add_option("PATH", settings->add,
                   "The files, or folders taken whole, to put in, stored under their paths below "
                   "the folder; an entry of the same name (ASCII case ignored) is replaced in its "
                   "place")
      ->required();
  command->add_flag("-L,--dereference", settings->follow_all_links,
                    "Follow every link, also one that leads out of the folder (by default such "
                    "links are left out)");
  command->add_flag("--hidden", settings->include_hidden,
                    "Put in files and folders whose names begin with a dot too (by default they "
                    "are left out, and the last line says how many)");
  command->callback([&options, &exit_status, package, settings] {
    TerminalLog log(options);
    TEdit::Settings job = *settings;
    job.names = options.names;
    Joined<TEdit> worker(log, *package, std::move(job));
    exit_status = log.Run(worker);
  });
}

}  // namespace hxf::cli
