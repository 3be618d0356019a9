#include "cli/exit_status.h"

namespace hxf::cli {

int ExitStatusFor(JobResult result, int stop_signal) {
  switch (result) {
    case JobResult::kSucceeded:
      return kExitOk;
    case JobResult::kProblems:
      return kExitProblems;
    case JobResult::kFailed:
    case JobResult::kNotOpened:
      break;
  }
  return stop_signal != 0 ? 128 + stop_signal : kExitFailure;
}

}  // namespace hxf::cli
