#include "ui/job_list.h"

#include <algorithm>
#include <utility>

namespace hxf {

Worker& JobList::Add(std::unique_ptr<Worker> worker) {
  workers_.push_back(std::move(worker));
  return *workers_.back();
}

bool JobList::Release(const Worker* worker) {
  auto it = std::find_if(workers_.begin(), workers_.end(),
                         [worker](const auto& kept) { return kept.get() == worker; });
  if (it == workers_.end()) return false;
  std::unique_ptr<Worker> released = std::move(*it);
  workers_.erase(it);
  released->WaitFor();
  return true;
}

void JobList::CancelAll() {
  for (const auto& worker : workers_) worker->Cancel();
}

JobList::Progress JobList::Combined() const {
  Progress progress;
  for (const auto& worker : workers_) {
    const std::uint64_t total = worker->ProgressTotal();
    if (total == 0) progress.known = false;
    progress.total += total;
    progress.done += std::min(worker->ProgressDone(), total);
  }
  return progress;
}

}  // namespace hxf
