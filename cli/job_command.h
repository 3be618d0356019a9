// The shape shared by the commands that run a job worker: `COMMAND PACKAGE [-C DIR] [NAME...]`, the
// job on its own thread and its log on standard error.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/terminal_log.h"

namespace hxf::cli {

struct JobCommandTexts {
  const char* name;
  const char* description;
  const char* package_help;
  const char* directory_help;
  const char* names_help = nullptr;  // when set, NAME... may follow the package
};

struct JobArguments {
  std::string package;
  std::string directory;  // empty when -C is not given: the job's default folder
  std::vector<std::string> names;
};

// Registers the subcommand; `settings` makes the job's settings from the arguments.
template <class Job>
CLI::App* AddJobCommand(CLI::App& app, const JobCommandTexts& texts, const CommonOptions& options,
                        int& exit_status,
                        std::function<typename Job::Settings(const JobArguments&)> settings) {
  CLI::App* command = app.add_subcommand(texts.name, texts.description);
  auto arguments = std::make_shared<JobArguments>();
  command->add_option("PACKAGE", arguments->package, texts.package_help)->required();
  command->add_option("-C,--directory", arguments->directory, texts.directory_help);
  if (texts.names_help) command->add_option("NAME", arguments->names, texts.names_help);
  command->callback([&options, &exit_status, arguments, settings] {
    TerminalLog log(options);
    Joined<Job> worker(log, arguments->package, settings(*arguments));
    exit_status = log.Run(worker);
  });
  return command;
}

}  // namespace hxf::cli
