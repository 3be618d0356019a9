// Runs a program the way a user's shell would, for command-line tests.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hxf::testing {

struct CommandResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  std::string out;       // standard output
  std::string err;       // standard error
};

// Runs `program` with `arguments` in `working_directory` (the current one when empty), with no
// standard input, and waits for it. With `output_path`, standard output goes to that file or
// device (one that is full, say) instead of being captured.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& working_directory = "",
                         const std::string& output_path = "");

// The reason the system gives for a file that does not exist, as the program shows it.
std::string NotFoundReason();

// Waits, up to `seconds`, until process `pid` has written more than `bytes` bytes (by its own
// count of written bytes, so it tells a job under way before its output has a name). False when
// it never did, or ended first.
bool WaitUntilWritten(pid_t pid, std::uint64_t bytes, int seconds = 20);

}  // namespace hxf::testing
