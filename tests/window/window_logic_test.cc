// The window's logic over a fake UI thread and fake jobs: which actions start jobs, when jobs are
// released, how the log, the message boxes and the progress reach the view, and what closing does.
#include "ui/window_logic.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/log_texts.h"
#include "pack/package.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/package_bytes.h"
#include "tests/window/fake_job.h"
#include "tests/window/fake_ui_thread.h"
#include "tests/window/scripted_dialog.h"

namespace hxf::testing {
namespace {

struct Started {
  JobKind kind;
  std::string package;
  bool operator==(const Started&) const = default;
};

class WindowLogicTest : public ::testing::Test {
 protected:
  WindowLogicTest() {
    view_.close_requested = [this] { return logic_.CloseRequested(); };
  }
  ~WindowLogicTest() override {
    gate_.Open();
    logic_.Shutdown();
  }

  std::unique_ptr<Worker> MakeFake(JobKind kind, LogOwner& log, const std::string& package) {
    started_.push_back({kind, package});
    JobScript script;
    if (!scripts_.empty()) {
      script = scripts_.front();
      scripts_.erase(scripts_.begin());
    }
    auto job = std::make_unique<FakeJob>(log, script, gate_, destroyed_);
    made_.push_back(job.get());
    return job;
  }

  // Starts an unpack that runs `script`.
  void Start(const JobScript& script) {
    scripts_.push_back(script);
    dialog_.Choose("/fw/" + std::to_string(started_.size()) + ".hxf");
    logic_.Button1Click();
  }
  // Serves the UI thread until `done`.
  void ServeUntil(const std::function<bool()>& done) { view_.ServeEventsUntil(done); }
  void ServeUntilReleased(std::size_t jobs_left = 0) {
    ServeUntil([&] { return logic_.Jobs() == jobs_left; });
  }
  bool Close() { return view_.window_closed = logic_.CloseRequested(); }

  FakeUiThread view_;
  ScriptedDialog dialog_;
  Gate gate_;
  std::atomic<int> destroyed_{0};
  std::vector<JobScript> scripts_;
  std::vector<Started> started_;
  std::vector<const Worker*> made_;
  WindowLogic logic_{view_,
                     dialog_,
                     {"/opt/hxf/HXF-Gui.bin", "/opt/hxf"},
                     [this](JobKind kind, LogOwner& log, const std::string& package) {
                       return MakeFake(kind, log, package);
                     }};
};

// --- Starting jobs ---

struct ClickCase {
  const char* name;
  int button;
  std::vector<ScriptedDialog::Answer> answers;  // one per click
  std::vector<std::string> dialogs;
  std::vector<Started> started;
};

TEST_F(WindowLogicTest, EachClickWithAChosenPackageStartsOneJob) {
  const ClickCase cases[] = {
      {"unpack", 1, {{true, "/a/fw.hxf"}}, {"open"}, {{JobKind::kUnpack, "/a/fw.hxf"}}},
      {"repack", 2, {{true, "/a/new.hxf"}}, {"save"}, {{JobKind::kRepack, "/a/new.hxf"}}},
      {"cancelled", 1, {{false, ""}}, {"open"}, {}},
      {"cancelled after a choice",
       2,
       {{true, "/a/fw.hxf"}, {false, ""}},
       {"save", "save"},
       {{JobKind::kRepack, "/a/fw.hxf"}}},
      {"nothing chosen", 1, {{true, ""}}, {"open"}, {}},
      {"twice",
       1,
       {{true, "/a/1.hxf"}, {true, "/b/2.hxf"}},
       {"open", "open"},
       {{JobKind::kUnpack, "/a/1.hxf"}, {JobKind::kUnpack, "/b/2.hxf"}}},
      {"UTF-8 path", 2, {{true, "/固件/包.hxf"}}, {"save"}, {{JobKind::kRepack, "/固件/包.hxf"}}},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.name);
    started_.clear();
    dialog_.shown.clear();
    for (const ScriptedDialog::Answer& answer : c.answers) {
      dialog_.answers.push_back(answer);
      c.button == 1 ? logic_.Button1Click() : logic_.Button2Click();
    }
    EXPECT_EQ(dialog_.shown, c.dialogs);
    EXPECT_EQ(started_, c.started);
    EXPECT_EQ(dialog_.InitDir(), "/opt/hxf");
    EXPECT_EQ(dialog_.Filter(), ".hxf filename|*.hxf");
    ServeUntilReleased();
  }
  EXPECT_TRUE(view_.error_boxes.empty());
}

TEST_F(WindowLogicTest, DialogThatRefusesItsSettingsShowsTheErrorBoxAndNothingElse) {
  for (const bool init_dir_fails : {true, false}) {
    for (const int button : {1, 2}) {
      ScriptedDialog dialog;
      (init_dir_fails ? dialog.init_dir_failure : dialog.filter_failure) = "属性无效";
      dialog.Choose("/a/fw.hxf");
      WindowLogic logic(view_, dialog, {"/opt/hxf/HXF-Gui.bin", "/opt/hxf"},
                        [this](JobKind kind, LogOwner& log, const std::string& package) {
                          return MakeFake(kind, log, package);
                        });
      button == 1 ? logic.Button1Click() : logic.Button2Click();
      EXPECT_TRUE(dialog.shown.empty());
      EXPECT_EQ(logic.Jobs(), 0u);
      logic.Shutdown();
    }
  }
  EXPECT_TRUE(started_.empty());
  ASSERT_EQ(view_.error_boxes.size(), 4u);
  for (const FakeUiThread::ErrorBox& box : view_.error_boxes) {
    EXPECT_EQ(box.text, "属性无效.");
    EXPECT_EQ(box.caption, "Hxf-gui");
  }
}

TEST_F(WindowLogicTest, JobIsReleasedOnTheUiThreadOnlyAfterItEnds) {
  Start({.lines = {"one"}, .holds = true});
  Start({.lines = {"two"}});
  ServeUntilReleased(1);
  EXPECT_EQ(destroyed_, 1);  // the job that ended, not the one still held
  view_.ServePending();
  EXPECT_EQ(logic_.Jobs(), 1u);

  gate_.Open();
  ServeUntilReleased();
  EXPECT_EQ(destroyed_, 2);
}

// --- The log ---

TEST_F(WindowLogicTest, LinesOfJobsAtOnceReachTheLogNewestOnTopInTheOrderLogged) {
  constexpr int kLines = 300;
  std::vector<std::string> a;
  std::vector<std::string> b;
  for (int i = 0; i < kLines; ++i) {
    a.push_back("a" + std::to_string(i));
    b.push_back("b" + std::to_string(i));
  }
  Start({.lines = a});
  Start({.lines = b});
  ServeUntilReleased();
  view_.ServePending();

  ASSERT_EQ(view_.log.size(), 2u * kLines);
  std::vector<std::string> seen_a;
  std::vector<std::string> seen_b;
  for (auto line = view_.log.rbegin(); line != view_.log.rend(); ++line) {
    (line->front() == 'a' ? seen_a : seen_b).push_back(*line);
  }
  EXPECT_EQ(seen_a, a);
  EXPECT_EQ(seen_b, b);
}

TEST_F(WindowLogicTest, WorkerLogsWithoutWaitingForTheUiThread) {
  Start({.lines = {"one", "two", "three"}});
  // The UI thread serves nothing meanwhile; were the worker waiting on it, this would never end.
  while (!made_.back()->Finished()) std::this_thread::yield();
  EXPECT_TRUE(view_.log.empty());
  ServeUntilReleased();
  EXPECT_EQ(view_.log, std::vector<std::string>({"three", "two", "one"}));
}

TEST_F(WindowLogicTest, LinesQueuedTogetherGoIntoTheLogInOneInsertion) {
  // Three lines logged through the UI thread's own calls before it serves anything else.
  for (const char* line : {"first", "second", "third"}) {
    logic_.Synchronize([&] { logic_.InsertLine({line}); });
  }
  EXPECT_TRUE(view_.log.empty());
  view_.ServePending();
  EXPECT_EQ(view_.log, std::vector<std::string>({"third", "second", "first"}));
  EXPECT_EQ(view_.insertions, std::vector<std::size_t>({3}));
}

// --- Message boxes ---

TEST_F(WindowLogicTest, MessageBoxHoldsOnlyItsOwnWorker) {
  Start({.shows_box = true, .box_detail = "cannot open /fw/0.hxf: no such file"});
  Start({.shows_box = true, .box_detail = "cannot open /fw/1.hxf: no such file"});
  ServeUntil([&] { return view_.boxes.size() == 2; });
  EXPECT_EQ(view_.boxes[0].message.text, "文件打开的失败");
  EXPECT_EQ(view_.boxes[0].message.caption, "出错");

  // Meanwhile another job runs to its end.
  Start({.lines = {"解包完成"}});
  ServeUntilReleased(2);
  EXPECT_EQ(view_.log, std::vector<std::string>({"解包完成"}));

  // Closing a box lets only its own worker end.
  const std::size_t first =
      view_.boxes[0].message.detail.find("/fw/0.hxf") != std::string::npos ? 0 : 1;
  view_.CloseBox(first);
  ServeUntilReleased(1);
  EXPECT_TRUE(view_.boxes[1 - first].open);
  view_.CloseBox(1 - first);
  ServeUntilReleased();
}

TEST_F(WindowLogicTest, BoxShowsTheDetailTheJobGives) {
  Start({.shows_box = true, .box_detail = "cannot open /a/fw.hxf: the file is in use"});
  ServeUntil([&] { return view_.OpenBoxes() == 1; });
  EXPECT_EQ(view_.boxes.back().message.detail, "cannot open /a/fw.hxf: the file is in use");
  view_.CloseBox(0);
  ServeUntilReleased();
}

TEST_F(WindowLogicTest, BoxClosedTheMomentItShowsLetsItsWorkerGo) {
  // The close races the worker's going to sleep on its box: over many rounds both orders come.
  constexpr int kRounds = 200;
  for (int i = 0; i < kRounds; ++i) {
    Start({.shows_box = true});
    ServeUntil([&] { return view_.OpenBoxes() == 1; });
    view_.CloseBox(view_.boxes.size() - 1);
    ServeUntilReleased();
  }
  EXPECT_EQ(destroyed_, kRounds);
}

// --- Closing ---

struct CloseCase {
  const char* name;
  bool job_running;
  bool box_standing;
  std::vector<CloseChoice> answers;  // one close per answer, then one more if none
  bool closes_at_once;
  int questions;
  bool jobs_enabled;
  bool closes_when_jobs_end;
};

TEST_F(WindowLogicTest, ClosingAsksOnlyWhileAJobWorksAndDoesWhatWasChosen) {
  const CloseCase cases[] = {
      {"no job", false, false, {}, true, 0, true, true},
      {"only a box standing", false, true, {}, true, 0, true, true},
      {"keep open", true, false, {CloseChoice::kKeepOpen}, false, 1, true, false},
      {"wait", true, true, {CloseChoice::kWait}, false, 1, false, true},
      {"stop", true, true, {CloseChoice::kStop}, false, 1, false, true},
      {"wait, then keep open",
       true,
       false,
       {CloseChoice::kWait, CloseChoice::kKeepOpen},
       false,
       2,
       true,
       false},
      {"keep open, then wait",
       true,
       false,
       {CloseChoice::kKeepOpen, CloseChoice::kWait},
       false,
       2,
       false,
       true},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeUiThread view;
    ScriptedDialog dialog;
    Gate gate;
    WindowLogic logic(view, dialog, {"/opt/hxf/hxf-gui", "/opt/hxf"},
                      [&](JobKind, LogOwner& log, const std::string& package) {
                        JobScript script;
                        script.shows_box = package == "/box.hxf";
                        script.holds = package == "/held.hxf";
                        return std::make_unique<FakeJob>(log, script, gate, destroyed_);
                      });
    view.close_requested = [&] { return logic.CloseRequested(); };
    if (c.box_standing) {
      dialog.Choose("/box.hxf");
      logic.Button1Click();
      view.ServeEventsUntil([&] { return view.OpenBoxes() == 1; });
    }
    if (c.job_running) {
      dialog.Choose("/held.hxf");
      logic.Button1Click();
    }
    view.close_answers.assign(c.answers.begin(), c.answers.end());
    bool closed = false;
    for (std::size_t i = 0; i < std::max<std::size_t>(1, c.answers.size()); ++i) {
      closed = logic.CloseRequested();
    }
    EXPECT_EQ(closed, c.closes_at_once);
    EXPECT_EQ(view.questions, c.questions);
    EXPECT_EQ(view.jobs_enabled, c.jobs_enabled);
    if (closed) {
      // What stood behind a box goes with the window.
      EXPECT_EQ(view.OpenBoxes(), 0u);
      logic.Shutdown();
      EXPECT_EQ(logic.Jobs(), 0u);
      continue;
    }
    // A stopped job ends by itself; a waited-for one when it is let go.
    if (c.answers.back() != CloseChoice::kStop) gate.Open();
    view.ServeEventsUntil([&] { return logic.Jobs() == 0 || view.window_closed; });
    view.ServePending();
    EXPECT_EQ(view.window_closed, c.closes_when_jobs_end);
    if (c.closes_when_jobs_end) {
      EXPECT_EQ(view.OpenBoxes(), 0u);
    }
    logic.Shutdown();
  }
}

// A disk that takes its time to flush a package: the flush waits until the test lets it end.
class SlowDisk {
 public:
  explicit SlowDisk(MemoryFileSystem& memory) : disk_(Flushing(), memory) {}
  FileSystem& fs() { return disk_; }
  void WaitUntilFlushing() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return flushing_; });
  }
  void EndFlush() {
    {
      std::lock_guard lock(mutex_);
      flushed_ = true;
    }
    changed_.notify_all();
  }

 private:
  Faults Flushing() {
    Faults faults;
    faults.while_flushing = [this] {
      std::unique_lock lock(mutex_);
      flushing_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return flushed_; });
    };
    return faults;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool flushing_ = false;
  bool flushed_ = false;
  FaultyFileSystem disk_;
};

// 停止 while a repack flushes its package: the window stays until the job has stopped, and the
// job, told to stop before its package had its name, never gives it one.
TEST(WindowClosing, StoppingARepackWhileItsPackageIsFlushedKeepsTheOldPackage) {
  MemoryFileSystem memory;
  memory.AddFile("/fw/in_hxf/a.txt", ToBytes("new"));
  const Bytes old = BuildPackage({{"a.txt", "old"}});
  memory.AddFile("/fw/fw.hxf", old);
  SlowDisk disk(memory);
  FakeUiThread view;
  ScriptedDialog dialog;
  WindowLogic logic(view, dialog, {"/opt/hxf/hxf-gui", "/opt/hxf"},
                    [&](JobKind, LogOwner& log, const std::string& package) {
                      return MakeWorker<TPackage>(log, package, TPackage::Settings{}, disk.fs());
                    });
  view.close_requested = [&] { return logic.CloseRequested(); };
  dialog.Choose("/fw/fw.hxf");
  logic.Button2Click();
  disk.WaitUntilFlushing();

  view.close_answers = {CloseChoice::kStop};
  EXPECT_FALSE(logic.CloseRequested());
  view.ServePending();
  EXPECT_FALSE(view.window_closed);
  EXPECT_EQ(logic.Jobs(), 1u);

  disk.EndFlush();
  view.ServeEventsUntil([&] { return view.window_closed; });
  EXPECT_EQ(logic.Jobs(), 0u);
  EXPECT_EQ(memory.FileContent("/fw/fw.hxf"), old);
  EXPECT_EQ(memory.Names("/fw"), (std::vector<std::string>{"fw.hxf", "in_hxf"}));
  ASSERT_FALSE(view.log.empty());
  EXPECT_EQ(view.log.front(), text::kCancelled);
  logic.Shutdown();
}

TEST_F(WindowLogicTest, WaitingToCloseStartsNothingMore) {
  Start({.holds = true});
  view_.close_answers = {CloseChoice::kWait};
  EXPECT_FALSE(Close());
  dialog_.Choose("/a/more.hxf");
  logic_.Button1Click();
  logic_.Button2Click();
  EXPECT_FALSE(logic_.TakesDrop({"/a/fw.hxf"}));
  EXPECT_FALSE(logic_.Drop({"/a/fw.hxf"}));
  EXPECT_EQ(started_.size(), 1u);
}

TEST_F(WindowLogicTest, ShutdownStopsTheJobsAndWaitsForThem) {
  Start({.holds = true});
  Start({.shows_box = true});
  ServeUntil([&] { return view_.OpenBoxes() == 1; });
  logic_.Shutdown();
  EXPECT_EQ(logic_.Jobs(), 0u);
  EXPECT_EQ(destroyed_, 2);
  EXPECT_EQ(view_.OpenBoxes(), 0u);
}

// --- Drops ---

struct DropCase {
  const char* name;
  std::vector<std::string> paths;
  std::vector<std::string> unpacked;
};

TEST_F(WindowLogicTest, DroppedPackagesAreUnpackedAndOtherFilesIgnored) {
  const DropCase cases[] = {
      {"a package", {"/a/fw.hxf"}, {"/a/fw.hxf"}},
      {"any case", {"/a/FW.HXF", "/a/b.Hxf"}, {"/a/FW.HXF", "/a/b.Hxf"}},
      {"not a package", {"/a/notes.txt"}, {}},
      {"mixed", {"/a/notes.txt", "/a/fw.hxf"}, {"/a/fw.hxf"}},
      {"a dot in the folder only", {"/a.hxf/notes"}, {}},
      {"no extension", {"/a/hxf"}, {}},
      {"nothing", {}, {}},
  };
  for (const DropCase& c : cases) {
    SCOPED_TRACE(c.name);
    started_.clear();
    EXPECT_EQ(logic_.TakesDrop(c.paths), !c.unpacked.empty());
    EXPECT_EQ(logic_.Drop(c.paths), !c.unpacked.empty());
    std::vector<Started> expected;
    for (const std::string& package : c.unpacked) expected.push_back({JobKind::kUnpack, package});
    EXPECT_EQ(started_, expected);
    ServeUntilReleased();
  }
  EXPECT_TRUE(dialog_.shown.empty());
}

// --- Opening a package ---

struct OpenCase {
  const char* name;
  std::vector<std::string> packages;  // the program's arguments
  std::string first_dialog_in;        // the next "Unpack HXF" dialog's folder
  std::string offered;                // and the file it offers
};

TEST_F(WindowLogicTest, OpenedPackagesAreCheckedAndTheNextUnpackDialogStartsAtTheLast) {
  const OpenCase cases[] = {
      {"a package", {"/fw/a.hxf"}, "/fw", "/fw/a.hxf"},
      {"Chinese path", {"/固件/升级包.hxf"}, "/固件", "/固件/升级包.hxf"},
      {"two packages", {"/a/1.hxf", "/b/2.hxf"}, "/b", "/b/2.hxf"},
      {"in the current folder", {"fw.hxf"}, ".", "fw.hxf"},
      {"not named .hxf", {"/fw/notes.txt"}, "/fw", "/fw/notes.txt"},
      {"none", {}, "/opt/hxf", ""},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDialog dialog;
    started_.clear();
    WindowLogic logic(view_, dialog, {"/opt/hxf/hxf-gui", "/opt/hxf"},
                      [this](JobKind kind, LogOwner& log, const std::string& package) {
                        return MakeFake(kind, log, package);
                      });
    logic.OpenPackages(c.packages);
    std::vector<Started> checked;
    for (const std::string& package : c.packages) checked.push_back({JobKind::kVerify, package});
    EXPECT_EQ(started_, checked);  // checked only: nothing is unpacked by opening

    // Cancelled, then cancelled again: only the first dialog starts at the opened package.
    logic.Button1Click();
    logic.Button1Click();
    EXPECT_EQ(dialog.started_in, std::vector<std::string>({c.first_dialog_in, "/opt/hxf"}));
    EXPECT_EQ(dialog.offered, std::vector<std::string>({c.offered, c.offered}));
    EXPECT_EQ(started_, checked);
    view_.ServeEventsUntil([&] { return logic.Jobs() == 0; });
    logic.Shutdown();
  }
}

TEST_F(WindowLogicTest, OpenedPackageIsUnpackedOnlyByTheUsersClick) {
  logic_.OpenPackages({"/fw/a.hxf"});
  logic_.Button2Click();  // a repack's dialog keeps to the program's folder
  dialog_.Choose("/fw/a.hxf");
  logic_.Button1Click();
  EXPECT_EQ(dialog_.started_in, std::vector<std::string>({"/opt/hxf", "/fw"}));
  EXPECT_EQ(started_, std::vector<Started>(
                          {{JobKind::kVerify, "/fw/a.hxf"}, {JobKind::kUnpack, "/fw/a.hxf"}}));
}

// --- Progress ---

struct ProgressCase {
  const char* name;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> jobs;  // done, total
  ProgressState shown;
};

TEST_F(WindowLogicTest, ProgressCombinesTheJobsBytes) {
  const ProgressCase cases[] = {
      {"none", {}, {}},
      {"half", {{50, 100}}, {true, false, 500}},
      {"two jobs", {{50, 100}, {0, 300}}, {true, false, 125}},
      {"one size not known yet", {{50, 100}, {0, 0}}, {true, true, 0}},
      {"done beyond the total", {{200, 100}}, {true, false, 1000}},
  };
  for (const ProgressCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [done, total] : c.jobs) Start({.holds = true, .total = total, .done = done});
    // The jobs set their figures once their threads run: the poll picks them up.
    while (view_.progress != c.shown) {
      view_.ServePending();
      if (view_.poll) view_.poll();
      std::this_thread::yield();
    }
    EXPECT_EQ(view_.polling, !c.jobs.empty());
    gate_.Open();
    ServeUntilReleased();
    EXPECT_FALSE(view_.progress.visible);
    EXPECT_FALSE(view_.polling);
    gate_.Close();
  }
}

}  // namespace
}  // namespace hxf::testing
