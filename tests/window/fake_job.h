// A job for tests of the window: it logs, shows a box or stays running as its script says.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/worker.h"

namespace hxf::testing {

// What a fake job does, in this order.
struct JobScript {
  std::vector<std::string> lines = {};  // logged one by one
  bool shows_box = false;               // then shows a message box and waits on it
  std::string box_detail = {};
  bool holds = false;  // then waits until the test lets it go, or it is cancelled
  std::uint64_t total = 0;
  std::uint64_t done = 0;
};

// Lets held jobs go on.
class Gate {
 public:
  void Open();
  void Close();
  // Returns once the gate is open or `job` is cancelled.
  void Wait(const Worker& job);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

class FakeJob final : public Worker {
 public:
  FakeJob(LogOwner& log, JobScript script, Gate& gate, std::atomic<int>& destroyed)
      : Worker(log, ""), script_(std::move(script)), gate_(gate), destroyed_(destroyed) {}
  ~FakeJob() override;

 protected:
  void Execute() override;

 private:
  JobScript script_;
  Gate& gate_;
  std::atomic<int>& destroyed_;
};

}  // namespace hxf::testing
