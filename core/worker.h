// The frame every background job follows: a worker is created suspended, with everything its job
// needs (the package path and the job's own settings), then resumed; its thread runs Execute once.
// All it tells the user goes through the log: it sets LogText and has ShowLogText run on the log
// owner's thread, waiting until it has run.
//
// A job class keeps its constructors protected: it is made as Joined<Job> (or by MakeWorker),
// whose destructor joins the thread before any member of the job goes away.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "core/log_owner.h"

namespace hxf {

// How a job ended, for front ends that report it (the command line's exit status).
enum class JobResult {
  kSucceeded,  // ran to its end and everything was fine
  kProblems,   // ran to its end, but something was refused, skipped or wrong
  kFailed,     // ran, but could not finish (a write failed, or it was cancelled)
  kNotOpened,  // never started its work: the package could not be opened or created
};

class Worker {
 public:
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  // The thread has been joined by then (see Joined).
  virtual ~Worker();

  // Starts the thread, which runs Execute once. Call at most once.
  void Resume();
  // Blocks until the thread has finished (returns at once if it never started).
  void WaitFor();
  bool Finished() const { return finished_.load(std::memory_order_acquire); }

  // Asks the job to stop at its next safe point; it then ends with JobResult::kFailed and leaves
  // no torn output behind.
  void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  JobResult result() const { return result_.load(std::memory_order_acquire); }
  // Bytes of the job done so far and in all (0 when not known yet); readable from any thread.
  std::uint64_t ProgressDone() const { return progress_done_.load(std::memory_order_relaxed); }
  std::uint64_t ProgressTotal() const { return progress_total_.load(std::memory_order_relaxed); }

  // The package the job works on; given when the worker is made, only read afterwards.
  const std::string PackageFile;
  // The text of the next log line; written by this worker only.
  std::string LogText;

 protected:
  Worker(LogOwner& owner, std::string package_file)
      : PackageFile(std::move(package_file)), owner_(owner) {}

  // The job. Runs on the worker's thread.
  virtual void Execute() = 0;

  // Runs `procedure` on the log owner's thread and waits for it.
  void Synchronize(const std::function<void()>& procedure);
  // Shows LogText in the log. Runs on the log owner's thread.
  void ShowLogText();
  // Sets LogText to `text` and shows it, waiting until it is shown.
  void Log(std::string text, LogKind kind = LogKind::kProgress);
  // Shows a message and waits until the user has dismissed it.
  void ShowMessage(const WorkerMessage& message) { owner_.ShowMessage(message); }
  // Asks the log owner what to do with the files in `folder`, and waits for the answer.
  ExistingFiles AskAboutExistingFiles(const std::string& folder) {
    return owner_.AskAboutExistingFiles(folder);
  }

  void SetResult(JobResult result) { result_.store(result, std::memory_order_release); }
  // Lowers the result to kProblems, unless it is already worse.
  void NoteProblem();
  void SetProgress(std::uint64_t done) { progress_done_.store(done, std::memory_order_relaxed); }
  void SetProgressTotal(std::uint64_t total) {
    progress_total_.store(total, std::memory_order_relaxed);
  }

 private:
  void Run();

  LogOwner& owner_;
  LogKind log_kind_ = LogKind::kProgress;
  std::thread thread_;
  std::atomic<bool> finished_{false};
  std::atomic<bool> cancelled_{false};
  std::atomic<JobResult> result_{JobResult::kSucceeded};
  std::atomic<std::uint64_t> progress_done_{0};
  std::atomic<std::uint64_t> progress_total_{0};
};

// A worker of class Job whose thread is joined before any part of the job goes away, whatever
// the job class remembers to do.
template <class Job>
class Joined final : public Job {
 public:
  template <class... Arguments>
  explicit Joined(Arguments&&... arguments) : Job(std::forward<Arguments>(arguments)...) {}
  ~Joined() override { this->WaitFor(); }
};

// A new, suspended worker of class Job.
template <class Job, class... Arguments>
std::unique_ptr<Job> MakeWorker(Arguments&&... arguments) {
  return std::make_unique<Joined<Job>>(std::forward<Arguments>(arguments)...);
}

}  // namespace hxf
