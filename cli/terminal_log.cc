#include "cli/terminal_log.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/interrupt.h"
#include "cli/terminal.h"

namespace hxf::cli {
namespace {

std::string MiB(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

}  // namespace

void PrintError(const std::string& message) {
  WriteError("hxf: " + message + "\n");
}

TerminalLog::TerminalLog(const CommonOptions& options)
    : options_(options), progress_enabled_(options.verbosity > 0 && ErrorIsTerminal()) {}

int TerminalLog::Run(Worker& worker) {
  CatchInterrupts();
  worker.Resume();
  std::unique_lock lock(mutex_);
  while (
      !changed_.wait_for(lock, std::chrono::milliseconds(100), [&] { return worker_finished_; })) {
    if (Interruption() != 0) worker.Cancel();
    if (progress_enabled_) ShowProgress(worker);
  }
  lock.unlock();
  worker.WaitFor();
  ClearProgress();
  return ExitStatusFor(worker.result(), Interruption());
}

void TerminalLog::Synchronize(const std::function<void()>& procedure) {
  std::lock_guard serve(serving_);
  procedure();
}

std::string TerminalLog::Shown(const std::string& text) const {
  return InLanguage(text, options_.language);
}

bool TerminalLog::Shows(LogKind kind) const {
  switch (kind) {
    case LogKind::kProblem:
      return true;
    case LogKind::kFinal:
      return options_.verbosity >= 1;
    case LogKind::kProgress:
      return options_.verbosity >= 2;
  }
  return true;
}

void TerminalLog::InsertLine(const LogLine& line) {
  if (!Shows(line.kind)) return;
  std::lock_guard lock(mutex_);
  ClearProgress();
  WriteError(Shown(line.text) + "\n");
}

void TerminalLog::ShowMessage(const WorkerMessage& message) {
  std::lock_guard lock(mutex_);
  ClearProgress();
  PrintError(Shown(message.detail.empty() ? message.text : message.detail));
}

// A script has no one to ask: the command's own options say what to do (`unpack -k`), and an
// unpack without them replaces what is there, as `tar x` does.
ExistingFiles TerminalLog::AskAboutExistingFiles(const std::string&) {
  return ExistingFiles::kReplace;
}

void TerminalLog::WorkerFinished(Worker&) {
  std::lock_guard lock(mutex_);
  worker_finished_ = true;
  changed_.notify_all();
}

void TerminalLog::ShowProgress(const Worker& worker) {
  const std::uint64_t done = worker.ProgressDone();
  const std::uint64_t total = worker.ProgressTotal();
  std::string text = MiB(done);
  if (total > 0) {
    text += " of " + MiB(total) + " (" + std::to_string(done * 100 / total) + "%)";
  }
  RewriteErrorLine(text);
  progress_shown_ = true;
}

void TerminalLog::ClearProgress() {
  if (!progress_shown_) return;
  RewriteErrorLine("");
  progress_shown_ = false;
}

}  // namespace hxf::cli
