#include "cli/commands.h"
#include "cli/job_command.h"
#include "unpack/extract.h"

namespace hxf::cli {

void AddUnpackCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  AddJobCommand(app,
                {"unpack", "Write every file of a package into a folder", "The package to unpack",
                 "The folder to unpack into (default: out_hxf beside the package)"},
                &TExtract::UnpackRoot, options, exit_status);
}

}  // namespace hxf::cli
