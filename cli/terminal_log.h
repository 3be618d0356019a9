// The command line's log owner. Its thread is the one that calls Run: workers hand it their log
// procedures and wait, and it prints each line to standard error as it arrives, one whole line at
// a time. While a job runs it keeps a progress line on standard error, when that is a terminal.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "cli/commands.h"
#include "core/log_owner.h"
#include "core/worker.h"

namespace hxf::cli {

class TerminalLog final : public LogOwner {
 public:
  explicit TerminalLog(const CommonOptions& options);

  // Resumes `worker`, serves its log until it has finished, and returns the exit status its
  // result calls for.
  int Run(Worker& worker);

  void Synchronize(const std::function<void()>& procedure) override;
  void InsertLine(const LogLine& line) override;
  void ShowMessage(const WorkerMessage& message) override;
  void WorkerFinished(Worker& worker) override;

 private:
  struct Call {
    const std::function<void()>* procedure;
    bool done = false;
  };

  bool Shows(LogKind kind) const;
  void ShowProgress(const Worker& worker);
  void ClearProgress();

  const CommonOptions options_;
  const bool progress_enabled_;
  bool progress_shown_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Call*> calls_;
  bool worker_finished_ = false;
};

// The exit status for a job's result.
int ExitStatusFor(JobResult result);

}  // namespace hxf::cli
