// The exit statuses of the `hxf` command, and the one a job's end calls for.
#pragma once

#include "core/worker.h"

namespace hxf::cli {

inline constexpr int kExitOk = 0;  // the job ran and all was well
// The job finished and wrote its output, but something was refused, skipped or wrong.
inline constexpr int kExitProblems = 1;
// A usage error, or no output written: the package could not be opened, created or completed (a
// write failure, a cancel).
inline constexpr int kExitFailure = 2;

// The exit status for a job that ended with `result`, `stop_signal` being the signal that asked
// it to stop (0 when none did). A job that was stopped gives 128 + the signal's number, as shells
// expect; one that had finished its work when the signal came (its package already committed)
// gives the status of what it did.
int ExitStatusFor(JobResult result, int stop_signal);

}  // namespace hxf::cli
