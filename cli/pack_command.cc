#include "cli/commands.h"
#include "cli/job_command.h"
#include "core/file_system.h"
#include "pack/package.h"

namespace hxf::cli {
namespace {

// CLI::ExistingDirectory, but asking the file layer: CLI11's own look-up takes a narrow path,
// which on Windows is read in the active code page and misses a folder named in Chinese.
const CLI::Validator kExistingDirectory(
    [](const std::string& path) -> std::string {
      if (SystemFileSystem().OpenDirectory(path, false).ok()) return {};
      return "Directory does not exist: " + path;
    },
    "DIR");

}  // namespace

void AddPackCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  auto follow_all_links = std::make_shared<bool>(false);
  auto include_hidden = std::make_shared<bool>(false);
  CLI::App* command = AddJobCommand<TPackage>(
      app,
      {"pack", "Pack the files of a folder into a package", "The package to write",
       "The folder to pack (default: in_hxf beside the package, made when missing)"},
      options, exit_status,
      [&options, follow_all_links, include_hidden](const JobArguments& arguments) {
        return TPackage::Settings{arguments.directory, options.names, *follow_all_links,
                                  *include_hidden};
      });
  // A folder named on the command line is never made: a typing error would pack nothing.
  command->get_option("--directory")->check(kExistingDirectory);
  command->add_flag("-L,--dereference", *follow_all_links,
                    "Follow every link, also one that leads out of the folder (by default such "
                    "links are left out)");
  command->add_flag("--hidden", *include_hidden,
                    "Pack files and folders whose names begin with a dot too (by default they are "
                    "left out, and the last line says how many)");
}

}  // namespace hxf::cli
