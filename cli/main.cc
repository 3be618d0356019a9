// hxf: unpack and repack HXF firmware packages from the command line.

#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
  using namespace hxf::cli;

  CLI::App app{"Unpack, repack and check HXF firmware packages.", "hxf"};
  app.set_version_flag("--version", "hxf " HXF_VERSION);
  app.require_subcommand(1);
  app.fallthrough();  // the common options may stand after the subcommand too

  CommonOptions options;
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

  int exit_status = kExitOk;
  AddUnpackCommand(app, options, exit_status);
  AddPackCommand(app, options, exit_status);
  AddListCommand(app, options, exit_status);
  AddVerifyCommand(app, options, exit_status);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kExitOk : kExitFailure;
  }
  return exit_status;
}
