// hxf: unpack and repack HXF firmware packages from the command line. Each platform's main
// (main_posix.cc, main_win32.cc) hands its arguments over as UTF-8.

#include <CLI/CLI.hpp>
#include <sstream>
#include <string_view>

#include "cli/commands.h"
#include "cli/program.h"
#include "cli/terminal.h"
#include "core/log_line.h"
#include "core/log_texts.h"
#include "core/version.h"

namespace {

constexpr const char* kExitStatuses =
    "Exit status: 0 all went well; 1 the job finished and wrote its output, but something was "
    "refused, skipped or wrong; 2 a usage error, or no output written (the package could not be "
    "opened, created or completed: a write failure, a cancel); 128 + N when stopped by signal N "
    "(130 for Ctrl-C).";

// The first word that is not an option, when it names no command: CLI11 would only say that a
// command is required.
const char* UnknownCommand(CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") return nullptr;
    if (argument == "--names" || argument == "--lang") ++i;  // its value
    if (argument.starts_with('-')) continue;
    for (const CLI::App* command : app.get_subcommands({})) {
      if (command->check_name(std::string(argument))) return nullptr;
    }
    return argv[i];
  }
  return nullptr;
}

}  // namespace

namespace hxf::cli {
namespace {

void AddCommonOptions(CLI::App& app, CommonOptions& options) {
  app.add_flag_callback(
      "-q,--quiet", [&] { options.verbosity = 0; }, "Print only problems, not the final line");
  app.add_flag_callback(
      "-v,--verbose", [&] { options.verbosity = 2; }, "Print every log line");
  app.add_option_function<std::string>(
         "--names",
         [&](const std::string& value) {
           options.names = value == "raw" ? hxf::NameEncoding::kRaw : hxf::NameEncoding::kGbk;
         },
         "How entry names map to file names: gbk (convert between GBK and UTF-8, the default) "
         "or raw (keep the bytes)")
      ->check(CLI::IsMember({"gbk", "raw"}));
  app.add_option_function<std::string>(
         "--lang",
         [&](const std::string& value) {
           options.language = value == "en" ? Language::kEnglish : Language::kChinese;
         },
         "The language of log and error lines: zh or en (default: the locale's, from LC_ALL, "
         "LC_MESSAGES or LANG; Chinese when none is set or it is C)")
      ->check(CLI::IsMember({"zh", "en"}));
}

// Parses the arguments and runs the command they name; the exit status it calls for.
int ParseAndRun(int argc, char** argv, CommonOptions& options) {
  CLI::App app{"Unpack, repack and check HXF firmware packages.", "hxf"};
  app.set_version_flag("--version", "hxf " HXF_VERSION);
  app.require_subcommand(1);
  app.fallthrough();  // the common options may stand after the subcommand too
  app.footer(kExitStatuses);
  // CLI11 would read "/name" as an option on Windows; there it is a path from the drive's root,
  // and the options are spelled the same on every host.
  app.allow_windows_style_options(false);

  AddCommonOptions(app, options);

  int exit_status = kExitOk;
  AddUnpackCommand(app, options, exit_status);
  AddPackCommand(app, options, exit_status);
  AddListCommand(app, options, exit_status);
  AddVerifyCommand(app, options, exit_status);
  AddCatCommand(app, options, exit_status);
  AddRemoveCommand(app, options, exit_status);
  AddAddCommand(app, options, exit_status);
  AddDiffCommand(app, options, exit_status);
  // Each command's help lists them too; they may stand before the command or after it.
  for (CLI::App* command : app.get_subcommands({})) AddCommonOptions(*command, options);

  if (const char* unknown = UnknownCommand(app, argc, argv)) {
    PrintError(std::string("unknown command: ") + unknown +
               " (commands: unpack, pack, list, verify, cat, remove, add, diff; see hxf --help)");
    return kExitFailure;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // CLI11 writes help, the version and usage errors to streams of its own: they are gathered
    // and written through the terminal, so that a console shows their UTF-8 (a name given on the
    // command line) as every other line.
    std::ostringstream out;
    std::ostringstream err;
    const int status = app.exit(error, out, err);
    WriteOutput(out.str());
    WriteError(err.str());
    return status == 0 ? kExitOk : kExitFailure;
  }
  return exit_status;
}

}  // namespace

int RunProgram(int argc, char** argv) {
  CommonOptions options;
  options.language = EnvironmentLanguage();
  const int status = ParseAndRun(argc, argv, options);
  // A listing, a report or an entry's bytes cut short (a full disk, a device that takes nothing)
  // is no output a script may take for whole, whatever the command made of its input.
  if (Status output = OutputFailure(); !output.ok()) {
    PrintError(InLanguage(LogLineText(text::kOutputWriteFailed, "", output), options.language));
    return kExitFailure;
  }
  return status;
}

}  // namespace hxf::cli
