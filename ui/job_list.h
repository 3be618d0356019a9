// The jobs the window has started and not yet released. A job is released on the window's
// thread once its worker has said it is finished, so releasing never waits on a running job.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/worker.h"

namespace hxf {

class JobList {
 public:
  struct Progress {
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    bool known = true;  // false while some job does not know its total yet
  };

  JobList() = default;
  JobList(const JobList&) = delete;
  JobList& operator=(const JobList&) = delete;

  // Keeps `worker` and returns it.
  Worker& Add(std::unique_ptr<Worker> worker);
  // Joins and destroys `worker`, which must have finished its work (its thread may still be on
  // its way out). Returns false when the worker is not in the list.
  bool Release(const Worker* worker);
  // Asks every job to stop at its next safe point.
  void CancelAll();

  bool empty() const { return workers_.empty(); }
  std::size_t size() const { return workers_.size(); }
  // The jobs' bytes done and in all, summed.
  Progress Combined() const;

 private:
  std::vector<std::unique_ptr<Worker>> workers_;
};

}  // namespace hxf
