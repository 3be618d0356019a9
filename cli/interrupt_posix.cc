#include <signal.h>

#include <atomic>

#include "cli/interrupt.h"

namespace hxf::cli {
namespace {

std::atomic<int> interruption{0};
static_assert(std::atomic<int>::is_always_lock_free);  // so a signal handler may store it

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void Note(int signal_number) {
  interruption.store(signal_number);
  // The next one is the user insisting: let it end the process.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  ::sigaction(signal_number, &fallback, nullptr);
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = Note;
  ::sigemptyset(&action.sa_mask);
  for (int signal_number : kStopSignals) ::sigaction(signal_number, &action, nullptr);
}

int Interruption() {
  return interruption.load();
}

}  // namespace hxf::cli
