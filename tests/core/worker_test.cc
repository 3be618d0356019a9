#include "core/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "core/log_texts.h"
#include "tests/support/recording_log.h"

namespace hxf {
namespace {

using testing::RecordingLog;

class ScriptedWorker : public Worker {
 public:
  ScriptedWorker(LogOwner& owner, std::function<void(ScriptedWorker&)> body,
                 std::string package_file = "")
      : Worker(owner, std::move(package_file)), body_(std::move(body)) {}

  using Worker::Log;
  using Worker::NoteProblem;
  std::atomic<int> runs{0};

 protected:
  void Execute() override {
    ++runs;
    body_(*this);
  }

 private:
  std::function<void(ScriptedWorker&)> body_;
};

TEST(Worker, CreatedSuspendedAndRunsOnceResumed) {
  RecordingLog log;
  Joined<ScriptedWorker> worker(
      log, [](ScriptedWorker& self) { self.Log("line " + self.PackageFile); }, "fw.hxf");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(worker.runs, 0);
  EXPECT_FALSE(worker.Finished());
  testing::RunToEnd(worker);
  EXPECT_EQ(worker.runs, 1);
  EXPECT_TRUE(worker.Finished());
  EXPECT_EQ(log.texts(), std::vector<std::string>{"line fw.hxf"});
  EXPECT_EQ(worker.LogText, "line fw.hxf");
  EXPECT_EQ(worker.result(), JobResult::kSucceeded);
}

TEST(Worker, AnEscapingErrorEndsTheJobWithALine) {
  RecordingLog log;
  Joined<ScriptedWorker> worker(log, [](ScriptedWorker&) { throw std::runtime_error("boom"); });
  testing::RunToEnd(worker);
  EXPECT_EQ(worker.result(), JobResult::kFailed);
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(log.lines()[0].text, std::string(text::kInternalError) + "boom");
  EXPECT_EQ(log.lines()[0].kind, LogKind::kProblem);
}

TEST(Worker, AnErrorOfAnyKindIsLoggedNeverSwallowed) {
  RecordingLog log;
  Joined<ScriptedWorker> worker(log, [](ScriptedWorker&) { throw 42; });
  testing::RunToEnd(worker);
  EXPECT_EQ(worker.result(), JobResult::kFailed);
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(log.lines()[0].text, std::string(text::kInternalError) + "unknown error");
}

// The thread is joined before the job's own members go: a job destroyed while it runs finishes
// first (AddressSanitizer would see the members used after they went).
class SlowJob : public Worker {
 protected:
  explicit SlowJob(LogOwner& owner) : Worker(owner, "") {}
  void Execute() override {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lines_.assign(1000, "written after the owner let go");
    Log(lines_.back());
  }

 private:
  std::vector<std::string> lines_;
};

TEST(Worker, AJobDestroyedWhileItRunsIsJoinedBeforeItsMembersGo) {
  RecordingLog log;
  std::unique_ptr<SlowJob> job = MakeWorker<SlowJob>(log);
  job->Resume();
  job.reset();
  EXPECT_EQ(log.texts(), std::vector<std::string>{"written after the owner let go"});
}

TEST(Worker, ProblemsDoNotHideAFailure) {
  RecordingLog log;
  Joined<ScriptedWorker> worker(log, [](ScriptedWorker& self) { self.NoteProblem(); });
  testing::RunToEnd(worker);
  EXPECT_EQ(worker.result(), JobResult::kProblems);
}

// An owner whose lines would tear if two workers ever reached it at the same time.
class TearDetectingLog final : public LogOwner {
 public:
  void Synchronize(const std::function<void()>& procedure) override {
    std::lock_guard lock(mutex_);
    procedure();
  }
  void InsertLine(const LogLine& line) override {
    if (inside_.exchange(true)) overlapped_ = true;
    lines_.push_back(line.text);
    inside_ = false;
  }
  void ShowMessage(const WorkerMessage&) override {}
  ExistingFiles AskAboutExistingFiles(const std::string&) override {
    return ExistingFiles::kReplace;
  }

  std::vector<std::string> lines_;
  std::atomic<bool> overlapped_{false};

 private:
  std::mutex mutex_;
  std::atomic<bool> inside_{false};
};

TEST(Worker, ManyWorkersLogWholeLinesInTheirOwnOrder) {
  TearDetectingLog log;
  constexpr int kWorkers = 8;
  constexpr int kLines = 500;
  std::vector<std::unique_ptr<ScriptedWorker>> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.push_back(MakeWorker<ScriptedWorker>(log, [w](ScriptedWorker& self) {
      for (int i = 0; i < kLines; ++i) self.Log(std::to_string(w) + ":" + std::to_string(i));
    }));
  }
  for (auto& worker : workers) worker->Resume();
  for (auto& worker : workers) worker->WaitFor();

  EXPECT_FALSE(log.overlapped_);
  ASSERT_EQ(log.lines_.size(), std::size_t{kWorkers * kLines});
  std::vector<int> next(kWorkers, 0);
  for (const std::string& line : log.lines_) {
    const int w = std::stoi(line.substr(0, line.find(':')));
    EXPECT_EQ(line, std::to_string(w) + ":" + std::to_string(next[w]++));
  }
}

}  // namespace
}  // namespace hxf
