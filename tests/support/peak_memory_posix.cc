#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/peak_memory.h"
#include "tests/support/run_command.h"

namespace hxf::testing {

MeasuredRun MeasureRun(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& directory) {
  // RUSAGE_CHILDREN takes the largest of all children ever waited for: a child of our own, which
  // runs the program as its only child, gives that run's alone.
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    const CommandResult result = RunCommand(program, arguments, directory);
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const MeasuredRun run{result.exit_status, usage.ru_maxrss};  // ru_maxrss is in KiB
    const bool sent = ::write(pipe_ends[1], &run, sizeof run) == sizeof run;
    ::_exit(sent ? 0 : 1);
  }
  ::close(pipe_ends[1]);
  MeasuredRun run;
  if (child < 0 || ::read(pipe_ends[0], &run, sizeof run) != sizeof run) run = {};
  ::close(pipe_ends[0]);
  if (child > 0) ::waitpid(child, nullptr, 0);
  return run;
}

}  // namespace hxf::testing
