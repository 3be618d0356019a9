// Ctrl-C and Ctrl-Break reach a console program as control events on a thread of their own; both
// cancel the job as SIGINT does elsewhere, so the program exits with 130 as a shell expects.
#include <windows.h>

#include <atomic>
#include <csignal>

#include "cli/interrupt.h"

namespace hxf::cli {
namespace {

std::atomic<int> interruption{0};

BOOL WINAPI Note(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      // The second request is the user insisting: the default handler then ends the process.
      if (interruption.exchange(SIGINT) != 0) return FALSE;
      return TRUE;
    default:
      // Closing the console, logging off, shutting down: the system ends the process anyway,
      // and an unfinished file is marked for deletion until it is committed.
      return FALSE;
  }
}

}  // namespace

void CatchInterrupts() {
  SetConsoleCtrlHandler(Note, TRUE);
}

int Interruption() {
  return interruption.load();
}

}  // namespace hxf::cli
