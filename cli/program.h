// The program behind each platform's main: arguments are UTF-8 on every host.
#pragma once

namespace hxf::cli {

// Parses the arguments, runs the command they name and returns the process exit status.
int RunProgram(int argc, char** argv);

}  // namespace hxf::cli
