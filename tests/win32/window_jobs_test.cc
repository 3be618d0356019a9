// The Win32 window driving real jobs on real files, by its messages: both buttons with a scripted
// dialog, cancelled dialogs, jobs at once, the unpacker's box, closing with jobs running, drops.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/file_system.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/win32/window_driver.h"
#include "tests/window/fake_job.h"
#include "tests/window/scripted_dialog.h"
#include "ui/win32/start_up.h"
#include "ui/win32/unit1.h"

namespace hxf::testing {
namespace {

using Lines = std::vector<std::string>;

const std::string kOpenFailed = "文件打开的失败";
const std::string kCaption = "HXF打包处理程序";
const std::string kExistingFiles = "解包目录中已有文件。替换这些文件，还是保留您改过的文件？";

Lines RepackLines(const std::string& package, const Lines& files) {
  Lines lines = {"文件关闭", "打包结束,开始计算校验和."};
  for (auto it = files.rbegin(); it != files.rend(); ++it) lines.push_back("Adding" + *it + "打包");
  lines.push_back("Adding" + package + "打包");
  return lines;
}

// True when `wanted` occurs in `lines` in its order, other lines possibly between.
bool ContainsInOrder(const Lines& lines, const Lines& wanted) {
  auto next = wanted.begin();
  for (const std::string& line : lines) {
    if (next != wanted.end() && line == *next) ++next;
  }
  return next == wanted.end();
}

bool Contains(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeWindow(); }
  void MakeWindow() {
    auto dialog = std::make_unique<ScriptedDialog>();
    dialog_ = dialog.get();
    Result<std::unique_ptr<TForm1>> created = TForm1::Create(
        std::move(dialog), [this](JobKind kind, LogOwner& log, const std::string& package) {
          if (package.ends_with("held.hxf")) {
            std::unique_ptr<Worker> held =
                std::make_unique<FakeJob>(log, script_for_held_, gate_, destroyed_);
            return held;
          }
          return MakeJob(kind, log, package);
        });
    ASSERT_TRUE(created.ok()) << created.status().message();
    window_ = std::move(created.value());
    window_->Show();
    ServePending(*window_);
  }
  void TearDown() override {
    gate_.Open();
    window_.reset();
    EXPECT_TRUE(StandingBoxes("出错").empty());
    EXPECT_TRUE(StandingBoxes("确认").empty());
  }

  std::string File(const std::string& relative) const { return dir_ / relative; }
  bool WaitForJobs() {
    return ServeUntil(*window_, [this] { return window_->RunningJobs() == 0; });
  }
  Lines Log() const { return LogLines(window_->Memo1); }

  // A failing unpack: its worker then waits on the open-failure box. Returns the box.
  HWND StartFailingUnpack() {
    const std::size_t standing = StandingBoxes("出错").size();
    dialog_->Choose(File("missing.hxf"));
    Click(window_->Button1);
    std::vector<HWND> boxes;
    ServeUntil(*window_, [&] { return (boxes = StandingBoxes("出错")).size() > standing; });
    return boxes.size() > standing ? boxes.back() : nullptr;
  }
  // An unpack into an out_hxf where the user edited a file: its worker then waits on the
  // question. Returns the question's box.
  HWND StartUnpackOverEditedFiles() {
    WriteFile(File("fw.hxf"), BuildPackage({{"a.txt", "new"}, {"b.txt", "b"}}));
    WriteFile(File("out_hxf/a.txt"), "edited");
    dialog_->Choose(File("fw.hxf"));
    Click(window_->Button1);
    std::vector<HWND> boxes;
    ServeUntil(*window_, [&] { return !(boxes = StandingBoxes("确认")).empty(); });
    return boxes.empty() ? nullptr : boxes.back();
  }
  // A job that stays running until gate_ opens.
  void StartHeldJob() {
    dialog_->Choose(File("held.hxf"));
    Click(window_->Button1);
  }
  // The user closes the window; `choice` answers the close question, if it comes.
  bool CloseAnswering(int choice) {
    BoxAnswerer answerer(kCaption, [choice](HWND) { return choice; });
    SendMessageW(window_->Handle(), WM_CLOSE, 0, 0);
    return answerer.Answered();
  }

  TempDir dir_;
  Gate gate_;
  JobScript script_for_held_{.holds = true};
  std::atomic<int> destroyed_{0};
  ScriptedDialog* dialog_ = nullptr;
  std::unique_ptr<TForm1> window_;
};

TEST_F(Win32WindowTest, UnpackButtonWritesEveryFileIntoOutHxf) {
  WriteFile(File("fw.hxf"), BuildPackage({{"a.txt", "abc"},
                                          {"SYSTEM\\FONT\\b.bin", std::string("\x01\0\x02", 3)},
                                          {"empty.dat", ""}}));
  dialog_->Choose(File("fw.hxf"));
  Click(window_->Button1);

  EXPECT_EQ(dialog_->shown, Lines({"open"}));
  EXPECT_EQ(dialog_->InitDir(), DirectoryPart(ExecutablePath()));
  EXPECT_EQ(dialog_->Filter(), ".hxf filename|*.hxf");
  ASSERT_TRUE(WaitForJobs());
  EXPECT_EQ(ListFilesRecursively(File("out_hxf")),
            Lines({"SYSTEM/FONT/b.bin", "a.txt", "empty.dat"}));
  EXPECT_EQ(ToString(ReadFile(File("out_hxf/a.txt"))), "abc");
  EXPECT_EQ(ToString(ReadFile(File("out_hxf/SYSTEM/FONT/b.bin"))), std::string("\x01\0\x02", 3));
  EXPECT_EQ(Log(), Lines({"解包完成"}));
}

TEST_F(Win32WindowTest, RepackButtonBuildsThePackageFromInHxfByteExact) {
  WriteFile(File("in_hxf/a.txt"), "abc");
  WriteFile(File("in_hxf/SUB/b.bin"), "bb");
  dialog_->Choose(File("fw.hxf"));
  Click(window_->Button2);

  EXPECT_EQ(dialog_->shown, Lines({"save"}));
  ASSERT_TRUE(WaitForJobs());
  EXPECT_TRUE(ReadFile(File("fw.hxf")) == BuildPackage({{"a.txt", "abc"}, {"SUB\\b.bin", "bb"}}));
  // Newest first: the run reads bottom to top.
  EXPECT_EQ(Log(), RepackLines(File("fw.hxf"), {"a.txt", "b.bin"}));
}

TEST_F(Win32WindowTest, CancelledDialogStartsNothing) {
  WriteFile(File("in_hxf/a.txt"), "abc");
  dialog_->Choose(File("fw.hxf"));
  Click(window_->Button2);
  ASSERT_TRUE(WaitForJobs());
  const Lines log = Log();
  WriteFile(File("in_hxf/b.txt"), "new since");

  for (HWND button : {window_->Button1, window_->Button2}) {
    dialog_->Cancel();
    Click(button);
    // The dialog still reports the earlier name; nothing may be started on it.
    EXPECT_EQ(dialog_->FileName(), File("fw.hxf"));
    EXPECT_EQ(window_->RunningJobs(), 0u);
  }
  ServePending(*window_);
  EXPECT_TRUE(ReadFile(File("fw.hxf")) == BuildPackage({{"a.txt", "abc"}}));
  EXPECT_FALSE(Exists(File("out_hxf")));
  EXPECT_EQ(Log(), log);
  EXPECT_FALSE(IsWindowVisible(window_->Progress));
}

TEST_F(Win32WindowTest, TwoJobsRunAtOnceAndBothLog) {
  WriteFile(File("fw.hxf"), BuildPackage({{"x.bin", "x"}}));
  WriteFile(File("in_hxf/a.txt"), "abc");
  dialog_->Choose(File("fw.hxf"));
  dialog_->Choose(File("new.hxf"));
  Click(window_->Button1);
  Click(window_->Button2);
  // Neither can end before the window serves its log lines.
  EXPECT_EQ(window_->RunningJobs(), 2u);
  EXPECT_TRUE(IsWindowVisible(window_->Progress));

  ASSERT_TRUE(WaitForJobs());
  EXPECT_FALSE(IsWindowVisible(window_->Progress));
  EXPECT_EQ(ToString(ReadFile(File("out_hxf/x.bin"))), "x");
  EXPECT_TRUE(ReadFile(File("new.hxf")) == BuildPackage({{"a.txt", "abc"}}));
  const Lines log = Log();
  EXPECT_EQ(log.size(), 5u);
  EXPECT_TRUE(Contains(log, "解包完成"));
  EXPECT_TRUE(ContainsInOrder(log, RepackLines(File("new.hxf"), {"a.txt"})));
}

TEST_F(Win32WindowTest, LogKeepsEveryLineOfALongJobNewestFirst) {
  // As many lines as a repack of 20,000 files logs.
  constexpr int kLines = 20000;
  for (int i = 0; i < kLines; ++i) script_for_held_.lines.push_back("line " + std::to_string(i));
  script_for_held_.holds = false;
  StartHeldJob();
  ASSERT_TRUE(WaitForJobs());
  const Lines log = Log();
  ASSERT_EQ(log.size(), static_cast<std::size_t>(kLines));
  for (int i = 0; i < kLines; ++i) ASSERT_EQ(log[kLines - 1 - i], "line " + std::to_string(i));
}

TEST_F(Win32WindowTest, LogKeepsItsPlaceAndTheCaretEndsAfterTheNewLines) {
  auto log_lines = [&](int count, const std::string& prefix) {
    script_for_held_ = {.holds = false};
    for (int i = 0; i < count; ++i) script_for_held_.lines.push_back(prefix + std::to_string(i));
    StartHeldJob();
    return WaitForJobs();
  };
  auto first_visible = [&] { return SendMessageW(window_->Memo1, EM_GETFIRSTVISIBLELINE, 0, 0); };
  auto selection = [&] {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(window_->Memo1, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return std::pair<DWORD, DWORD>(start, end);
  };
  ASSERT_TRUE(log_lines(200, "old "));
  EXPECT_EQ(first_visible(), 0);  // at the top it stays at the top

  // Scrolled down to older lines, with some of them selected, the user keeps reading them.
  SendMessageW(window_->Memo1, EM_SETSEL, 10, 20);
  SendMessageW(window_->Memo1, EM_LINESCROLL, 0, 50);
  ASSERT_EQ(first_visible(), 50);
  ASSERT_TRUE(log_lines(3, "new "));
  EXPECT_EQ(first_visible(), 53);
  const DWORD after_new = static_cast<DWORD>(std::string("new 2\r\nnew 1\r\nnew 0\r\n").size());
  EXPECT_EQ(selection(), std::make_pair(after_new, after_new));

  SendMessageW(window_->Memo1, EM_LINESCROLL, 0, -1000);
  ASSERT_TRUE(log_lines(2, "newer "));
  EXPECT_EQ(first_visible(), 0);
  EXPECT_EQ(Log().front(), "newer 1");
}

TEST_F(Win32WindowTest, OpenFailureBoxStandsWhileTheWindowAnswers) {
  const HWND first = StartFailingUnpack();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(BoxText(first).substr(0, kOpenFailed.size()), kOpenFailed);
  EXPECT_NE(BoxText(first).find(File("missing.hxf")), std::string::npos) << BoxText(first);
  EXPECT_EQ(BoxButtons(first), std::vector<int>({IDOK}));
  EXPECT_FALSE(BoxHasIcon(first));
  // The box holds up only its worker: the window is not disabled.
  EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
  EXPECT_FALSE(Exists(File("out_hxf")));

  // Each failing job shows its own box.
  const HWND second = StartFailingUnpack();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(window_->RunningJobs(), 2u);
  // It opens beside the first, not exactly over it.
  EXPECT_EQ(BoundsOf(second).left - BoundsOf(first).left, 24);
  EXPECT_EQ(BoundsOf(second).top - BoundsOf(first).top, 24);

  // Meanwhile the window answers and another job runs to its end.
  WriteFile(File("in_hxf/a.txt"), "abc");
  dialog_->Choose(File("fw.hxf"));
  Click(window_->Button2);
  ASSERT_TRUE(ServeUntil(*window_, [&] { return window_->RunningJobs() == 2 && !Log().empty(); }));
  EXPECT_EQ(Log().front(), "文件关闭");

  // Closing a box lets only its own worker end.
  PressBoxButton(first, IDOK);
  ASSERT_TRUE(ServeUntil(*window_, [&] { return window_->RunningJobs() == 1; }));
  EXPECT_TRUE(IsWindowVisible(second));
  PressBoxButton(second, IDOK);
  ASSERT_TRUE(WaitForJobs());
  EXPECT_FALSE(Contains(Log(), "解包完成"));
}

struct QuestionCase {
  const char* name;
  int button;
  std::string a_after;
  bool b_written;
  std::string logged;
};

TEST_F(Win32WindowTest, UnpackOverFilesAsksWhatToDoWithThem) {
  const QuestionCase cases[] = {
      {"replace", IDYES, "new", true, "解包完成"},
      {"keep", IDNO, "edited", true, "已有文件与包中的不同,已保留a.txt"},
      {"cancel", IDCANCEL, "edited", false, "已取消"},
  };
  for (const QuestionCase& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveFile(File("out_hxf/b.txt"));  // written by the case before
    const HWND box = StartUnpackOverEditedFiles();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box).substr(0, kExistingFiles.size()), kExistingFiles);
    EXPECT_NE(BoxText(box).find("out_hxf"), std::string::npos) << BoxText(box);
    EXPECT_TRUE(BoxHasIcon(box));
    EXPECT_EQ(BoxButtons(box), std::vector<int>({IDCANCEL, IDYES, IDNO}));
    EXPECT_EQ(BoxButtonText(box, IDYES), "替换");
    EXPECT_EQ(BoxButtonText(box, IDNO), "保留");
    EXPECT_EQ(BoxButtonText(box, IDCANCEL), "取消");
    // It holds up only its own job: the window stays usable.
    EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
    EXPECT_EQ(window_->RunningJobs(), 1u);

    PressBoxButton(box, c.button);
    ASSERT_TRUE(WaitForJobs());
    EXPECT_EQ(ReadFile(File("out_hxf/a.txt")), ToBytes(c.a_after));
    EXPECT_EQ(Exists(File("out_hxf/b.txt")), c.b_written);
    EXPECT_TRUE(Contains(Log(), c.logged));
  }
}

struct CloseCase {
  const char* name;
  int choice;   // the close question's button
  bool closes;  // the window closes once the job has ended (waited for, or stopped)
  bool stops;   // the job is stopped: it ends without being let go
};

TEST_F(Win32WindowTest, ClosingWithAJobRunningAsksWhatToDo) {
  const CloseCase cases[] = {
      {"keep open", IDCANCEL, false, false},
      {"wait", IDYES, true, false},
      {"stop", IDNO, true, true},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (window_->Closed()) {
      window_.reset();
      MakeWindow();
    }
    gate_.Close();
    StartHeldJob();
    ASSERT_TRUE(CloseAnswering(c.choice));
    if (!c.stops) {
      ServePending(*window_);
      EXPECT_FALSE(window_->Closed());
      EXPECT_EQ(IsWindowEnabled(window_->Button1) != FALSE, !c.closes);
      EXPECT_EQ(IsWindowEnabled(window_->Button2) != FALSE, !c.closes);
      gate_.Open();
    }
    ASSERT_TRUE(WaitForJobs());
    ASSERT_TRUE(ServeUntil(*window_, [&] { return window_->Closed() == c.closes; }));
    EXPECT_EQ(IsWindowVisible(window_->Handle()) != FALSE, !c.closes);
  }
}

TEST_F(Win32WindowTest, TheCloseQuestionOffersWaitStopAndKeepOpen) {
  StartHeldJob();
  Lines buttons;
  BoxAnswerer answerer(kCaption, [&](HWND box) {
    for (int id : BoxButtons(box)) buttons.push_back(BoxButtonText(box, id));
    return IDCANCEL;
  });
  SendMessageW(window_->Handle(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(answerer.Answered());
  EXPECT_EQ(buttons, Lines({"取消", "等待", "停止"}));
  EXPECT_FALSE(window_->Closed());
}

TEST_F(Win32WindowTest, StoppingARepackOnCloseLeavesNoTornPackage) {
  const std::string big_a(3 << 20, 'a');
  const std::string big_b(3 << 20, 'b');
  WriteFile(File("in_hxf/a.bin"), big_a);
  WriteFile(File("in_hxf/b.bin"), big_b);
  const Bytes old_package = BuildPackage({{"old.bin", "old"}});
  WriteFile(File("fw.hxf"), old_package);
  const Bytes new_package = BuildPackage({{"a.bin", big_a}, {"b.bin", big_b}});

  dialog_->Choose(File("fw.hxf"));
  Click(window_->Button2);
  CloseAnswering(IDNO);  // asked only if the job is still running by then
  ASSERT_TRUE(ServeUntil(*window_, [&] { return window_->Closed(); }));
  ASSERT_TRUE(WaitForJobs());
  const Bytes package = ReadFile(File("fw.hxf"));
  EXPECT_TRUE(package == old_package || package == new_package);
  EXPECT_EQ(ListFilesRecursively(dir_.path()), Lines({"fw.hxf", "in_hxf/a.bin", "in_hxf/b.bin"}));
}

TEST_F(Win32WindowTest, ClosingWithOnlyABoxStandingClosesAtOnceAndTakesTheBox) {
  for (const bool question : {false, true}) {
    SCOPED_TRACE(question ? "an unpack's question" : "the open failure's box");
    if (window_->Closed()) {
      window_.reset();
      MakeWindow();
    }
    ASSERT_NE(question ? StartUnpackOverEditedFiles() : StartFailingUnpack(), nullptr);
    // The job behind the box does no work: nothing to ask about.
    EXPECT_FALSE(CloseAnswering(IDCANCEL));
    EXPECT_TRUE(window_->Closed());
    ASSERT_TRUE(WaitForJobs());
    const char* caption = question ? "确认" : "出错";
    ASSERT_TRUE(ServeUntil(*window_, [&] { return StandingBoxes(caption).empty(); }));
    if (question) {
      // The unpack ended as cancelled, having written nothing.
      EXPECT_EQ(ReadFile(File("out_hxf/a.txt")), ToBytes("edited"));
      EXPECT_FALSE(Exists(File("out_hxf/b.txt")));
    }
  }
}

TEST_F(Win32WindowTest, DroppedPackagesAreUnpackedAndOtherFilesIgnored) {
  WriteFile(File("fw.HXF"), BuildPackage({{"a.txt", "abc"}}));
  WriteFile(File("notes.txt"), "not a package");
  DropFiles(window_->Handle(), {File("notes.txt")});
  ServePending(*window_);
  EXPECT_EQ(window_->RunningJobs(), 0u);

  DropFiles(window_->Handle(), {File("notes.txt"), File("fw.HXF")});
  ASSERT_TRUE(ServeUntil(*window_, [&] { return Exists(File("out_hxf/a.txt")); }));
  ASSERT_TRUE(WaitForJobs());
  EXPECT_TRUE(dialog_->shown.empty());
  EXPECT_EQ(ToString(ReadFile(File("out_hxf/a.txt"))), "abc");
  EXPECT_EQ(Log(), Lines({"解包完成"}));
}

}  // namespace
}  // namespace hxf::testing
