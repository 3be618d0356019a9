// How a job's end and a request to stop make the command's exit status.
#include "cli/exit_status.h"

#include <gtest/gtest.h>

namespace hxf::cli {
namespace {

TEST(ExitStatus, AStopGives128PlusTheSignalOnlyWhenTheJobDidNotFinish) {
  struct Case {
    JobResult result;
    int stop_signal;
    int exit_status;
  };
  const Case cases[] = {
      {JobResult::kSucceeded, 0, 0},
      {JobResult::kProblems, 0, 1},
      {JobResult::kFailed, 0, 2},
      {JobResult::kNotOpened, 0, 2},
      // The signal came after the package was committed: the job did what it was asked.
      {JobResult::kSucceeded, 2, 0},
      {JobResult::kProblems, 15, 1},
      // The job stopped, or never got to its work.
      {JobResult::kFailed, 2, 130},
      {JobResult::kFailed, 15, 143},
      {JobResult::kNotOpened, 1, 129},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.result)) + " " + std::to_string(c.stop_signal));
    EXPECT_EQ(ExitStatusFor(c.result, c.stop_signal), c.exit_status);
  }
}

}  // namespace
}  // namespace hxf::cli
