// The shape shared by the commands that run a job worker: `NAME PACKAGE [-C DIR]`, the job on its
// own thread and its log on standard error.
#pragma once

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

// `folder` is the job's field that -C sets (empty when -C is not given: the job's default).
template <class Job>
void AddJobCommand(CLI::App& app, const JobCommandTexts& texts, std::string Job::*folder,
                   const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand(texts.name, texts.description);
  auto package = std::make_shared<std::string>();
  auto directory = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, texts.package_help)->required();
  command->add_option("-C,--directory", *directory, texts.directory_help);
  command->callback([&options, &exit_status, package, directory, folder] {
    TerminalLog log(options);
    Job worker(log);
    worker.PackageFile = *package;
    worker.*folder = *directory;
    worker.Names = options.names;
    exit_status = log.Run(worker);
  });
}

}  // namespace hxf::cli
