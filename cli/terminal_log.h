// The command line's log owner. It prints each line to standard error as it arrives, one whole
// line at a time. A terminal has no thread of its own to show lines on, so a worker's log
// procedure runs on the worker's thread, one at a time: handing each line over to the thread that
// calls Run would cost two thread switches per line, which a job of many small files pays
// thousands of times. That thread keeps a progress line on standard error while a job runs, when
// that is a terminal.
#pragma once

#include <condition_variable>
#include <mutex>

#include "cli/commands.h"
#include "core/log_owner.h"
#include "core/worker.h"

namespace hxf::cli {

class TerminalLog final : public LogOwner {
 public:
  explicit TerminalLog(const CommonOptions& options);

  // Resumes `worker`, serves its log until it has finished, and returns the exit status its
  // result calls for (cli/exit_status.h). A request to stop cancels the job.
  int Run(Worker& worker);

  void Synchronize(const std::function<void()>& procedure) override;
  void InsertLine(const LogLine& line) override;
  void ShowMessage(const WorkerMessage& message) override;
  ExistingFiles AskAboutExistingFiles(const std::string& folder) override;
  void WorkerFinished(Worker& worker) override;

 private:
  bool Shows(LogKind kind) const;
  // A line in the user's language.
  std::string Shown(const std::string& text) const;
  void ShowProgress(const Worker& worker);
  void ClearProgress();

  const CommonOptions options_;
  const bool progress_enabled_;
  bool progress_shown_ = false;
  std::mutex serving_;  // held while a log procedure runs
  std::mutex mutex_;
  std::condition_variable changed_;
  bool worker_finished_ = false;
};

}  // namespace hxf::cli
