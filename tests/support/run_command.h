// Runs a program the way a user's shell would, for command-line tests.
#pragma once

#include <string>
#include <vector>

namespace hxf::testing {

struct CommandResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  std::string out;       // standard output
  std::string err;       // standard error
};

// Runs `program` with `arguments` in `working_directory` (the current one when empty), with no
// standard input, and waits for it.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& working_directory = "");

}  // namespace hxf::testing
