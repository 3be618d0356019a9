// The window's real unpack job over files already in out_hxf, its question answered through the
// fake view: when it is asked, what each answer does, and closing the window while it stands.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/job_paths.h"
#include "core/log_texts.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/window/fake_ui_thread.h"
#include "tests/window/scripted_dialog.h"
#include "ui/window_logic.h"

namespace hxf::testing {
namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class UnpackQuestionTest : public ::testing::Test {
 public:
  UnpackQuestionTest() {
    WriteFile(package(), BuildPackage({{"a.txt", "new"}, {"sub\\b.txt", "b"}}));
  }
  ~UnpackQuestionTest() override { logic_.Shutdown(); }

  std::string package() const { return dir_ / "fw.hxf"; }
  std::string out(const std::string& relative) const { return dir_ / ("out_hxf/" + relative); }
  void EditOutHxf() {
    WriteFile(out("a.txt"), "edited");
    WriteFile(out("mine.txt"), "mine");
  }
  // "Unpack HXF" on the package; returns once the job has asked, or has ended without asking.
  void StartUnpack() {
    dialog_.Choose(package());
    logic_.Button1Click();
    view_.ServeEventsUntil([&] { return view_.OpenQuestions() > 0 || logic_.Jobs() == 0; });
  }
  void WaitForJobs() {
    view_.ServeEventsUntil([&] { return logic_.Jobs() == 0; });
    view_.ServePending();
  }

  TempDir dir_;
  FakeUiThread view_;
  ScriptedDialog dialog_;
  WindowLogic logic_{view_, dialog_, {"/opt/hxf/hxf-gui", "/opt/hxf"}};
};

struct AnswerCase {
  const char* name;
  std::function<void(UnpackQuestionTest&)> before;
  bool asked;
  ExistingFiles answer;
  std::string a_after;
  bool b_written;
  std::string logged;  // a line of the log
};

TEST_F(UnpackQuestionTest, AskedOnlyWhenOutHxfHoldsFilesAndEachAnswerDoesWhatItSays) {
  auto edit = [](UnpackQuestionTest& test) { test.EditOutHxf(); };
  const AnswerCase cases[] = {
      {"no out_hxf", [](auto&) {}, false, {}, "new", true, std::string(text::kUnpackDone)},
      {"an empty out_hxf",
       [](UnpackQuestionTest& test) { std::filesystem::create_directory(test.dir_ / "out_hxf"); },
       false,
       {},
       "new",
       true,
       std::string(text::kUnpackDone)},
      {"replace", edit, true, ExistingFiles::kReplace, "new", true, std::string(text::kUnpackDone)},
      {"keep", edit, true, ExistingFiles::kKeep, "edited", true,
       std::string(text::kExistingKept) + "a.txt"},
      {"cancel", edit, true, ExistingFiles::kCancel, "edited", false,
       std::string(text::kCancelled)},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir_ / "out_hxf");
    view_.unpack_questions.clear();
    view_.log.clear();
    c.before(*this);
    StartUnpack();
    ASSERT_EQ(view_.unpack_questions.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(view_.unpack_questions[0].folder, DefaultUnpackRoot(package()));
      // The job waits for its answer without holding up the window: it counts as standing.
      EXPECT_EQ(logic_.RunningJobs(), 0u);
      view_.Answer(0, c.answer);
    }
    WaitForJobs();
    EXPECT_EQ(ReadFile(out("a.txt")), ToBytes(c.a_after));
    EXPECT_EQ(Exists(out("sub/b.txt")), c.b_written);
    if (c.asked) {
      EXPECT_EQ(ReadFile(out("mine.txt")), ToBytes("mine"));
    }
    EXPECT_TRUE(Contains(view_.log, c.logged)) << ::testing::PrintToString(view_.log);
  }
}

// Only the question stands: the window closes at once, taking the question with it, and the
// unpack ends as cancelled, having written nothing.
TEST_F(UnpackQuestionTest, ClosingTheWindowWhileTheQuestionStandsCancelsTheUnpack) {
  EditOutHxf();
  StartUnpack();
  ASSERT_EQ(view_.OpenQuestions(), 1u);
  EXPECT_TRUE(logic_.CloseRequested());
  EXPECT_EQ(view_.questions, 0);  // nothing running to ask about
  EXPECT_EQ(view_.OpenQuestions(), 0u);
  WaitForJobs();
  EXPECT_EQ(ReadFile(out("a.txt")), ToBytes("edited"));
  EXPECT_FALSE(Exists(out("sub")));
  EXPECT_EQ(view_.log, std::vector<std::string>({std::string(text::kCancelled)}));
}

}  // namespace
}  // namespace hxf::testing
