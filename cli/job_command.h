// The shape shared by the commands that run a job worker: `NAME PACKAGE [-C DIR]`, the job on its
// own thread and its log on standard error.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/terminal_log.h"

namespace hxf::cli {

struct JobCommandTexts {
  const char* name;
  const char* description;
  const char* package_help;
  const char* directory_help;
};

struct JobArguments {
  std::string package;
  std::string directory;  // empty when -C is not given: the job's default folder
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
  command->callback([&options, &exit_status, arguments, settings] {
    TerminalLog log(options);
    Joined<Job> worker(log, arguments->package, settings(*arguments));
    exit_status = log.Run(worker);
  });
  return command;
}

}  // namespace hxf::cli
