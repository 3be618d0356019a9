#include "cli/commands.h"
#include "cli/job_command.h"
#include "pack/package.h"

namespace hxf::cli {

void AddPackCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  AddJobCommand(app,
                {"pack", "Pack the files of a folder into a package", "The package to write",
                 "The folder to pack (default: in_hxf beside the package)"},
                &TPackage::PackRoot, options, exit_status);
}

}  // namespace hxf::cli
