#include "cli/commands.h"
#include "cli/job_command.h"
#include "unpack/extract.h"

namespace hxf::cli {

void AddUnpackCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  auto keep = std::make_shared<bool>(false);
  CLI::App* command = AddJobCommand<TExtract>(
      app,
      {"unpack", "Write every file of a package into a folder", "The package to unpack",
       "The folder to unpack into (default: out_hxf beside the package)",
       "Only the entries these names or patterns pick: * and ? within one component, ** across "
       "components, / or \\ between them, ASCII case ignored; a folder picks what it holds"},
      options, exit_status, [&options, keep](const JobArguments& arguments) {
        return TExtract::Settings{
            .unpack_root = arguments.directory,
            .names = options.names,
            .only = arguments.names,
            .existing_files = *keep ? ExistingFiles::kKeep : ExistingFiles::kReplace};
      });
  command->add_flag("-k,--keep", *keep,
                    "Leave each file already in the folder that differs from its entry as it is, "
                    "and name it (by default such files are replaced)");
}

}  // namespace hxf::cli
