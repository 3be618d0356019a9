#include "core/worker.h"

#include <exception>
#include <new>

#include "core/log_texts.h"

namespace hxf {

Worker::~Worker() {
  WaitFor();
}

void Worker::Resume() {
  if (thread_.joinable() || finished_) return;
  thread_ = std::thread([this] { Run(); });
}

void Worker::WaitFor() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void Worker::Run() {
  try {
    Execute();
  } catch (const std::exception& error) {
    // Nothing in the jobs throws; what can (running out of memory inside the standard library)
    // still ends the job with a line, never silently.
    SetResult(JobResult::kFailed);
    try {
      Log(std::string(text::kInternalError) + error.what(), LogKind::kProblem);
    } catch (...) {
    }
  } catch (...) {
    SetResult(JobResult::kFailed);
    try {
      Log(std::string(text::kInternalError) + "unknown error", LogKind::kProblem);
    } catch (...) {
    }
  }
  finished_.store(true, std::memory_order_release);
  owner_.WorkerFinished(*this);
}

void Worker::Synchronize(const std::function<void()>& procedure) {
  owner_.Synchronize(procedure);
}

void Worker::ShowLogText() {
  owner_.InsertLine(LogLine{LogText, log_kind_});
}

void Worker::Log(std::string text, LogKind kind) {
  LogText = std::move(text);
  log_kind_ = kind;
  Synchronize([this] { ShowLogText(); });
}

void Worker::NoteProblem() {
  JobResult expected = JobResult::kSucceeded;
  result_.compare_exchange_strong(expected, JobResult::kProblems, std::memory_order_acq_rel);
}

}  // namespace hxf
