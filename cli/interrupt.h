// Ctrl-C and the other requests to stop (SIGINT, SIGTERM, SIGHUP on POSIX systems; Ctrl-C and
// Ctrl-Break, both as SIGINT, on Windows) while a job runs: the job is cancelled through its
// worker's flag, so that it removes what it had not finished, and the program then exits with
// 128 + the signal's number, as shells expect.
#pragma once

namespace hxf::cli {

// From now on, a request to stop is noted instead of ending the process. A second request ends
// it at once, as if it had not been caught.
void CatchInterrupts();

// The number of the signal that asked to stop since CatchInterrupts, or 0.
int Interruption();

}  // namespace hxf::cli
