// The subcommands of the `hxf` program. Each Add*Command registers one subcommand on the app; its
// callback runs the job and stores the process exit status in `exit_status`. A job runs on its
// worker with a TerminalLog (cli/terminal_log.h) as the log owner:
//   TerminalLog log(options);
//   TExtract worker(log);
//   worker.PackageFile = ...;
//   exit_status = log.Run(worker);
#pragma once

#include <CLI/CLI.hpp>

#include "cli/exit_status.h"
#include "cli/language.h"
#include "core/name_encoding.h"

namespace hxf::cli {

struct CommonOptions {
  int verbosity = 1;  // 0 with -q, 2 with -v
  NameEncoding names = NameEncoding::kGbk;
  Language language = Language::kChinese;  // of the log and error lines
};

// Prints "hxf: <message>" on standard error.
void PrintError(const std::string& message);

void AddUnpackCommand(CLI::App& app, const CommonOptions& options, int& exit_status);
void AddPackCommand(CLI::App& app, const CommonOptions& options, int& exit_status);
void AddListCommand(CLI::App& app, const CommonOptions& options, int& exit_status);
void AddVerifyCommand(CLI::App& app, const CommonOptions& options, int& exit_status);
void AddCatCommand(CLI::App& app, const CommonOptions& options, int& exit_status);
void AddRemoveCommand(CLI::App& app, const CommonOptions& options, int& exit_status);
void AddAddCommand(CLI::App& app, const CommonOptions& options, int& exit_status);
void AddDiffCommand(CLI::App& app, const CommonOptions& options, int& exit_status);

}  // namespace hxf::cli
