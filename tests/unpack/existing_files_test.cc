// Unpacking into a folder that already holds files, over a file system in memory: what becomes of
// the user's files (replaced by default, kept when asked to), the question the window's user
// answers, and a name the package gives twice.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/log_texts.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/package_bytes.h"
#include "tests/support/recording_log.h"
#include "unpack/extract.h"

namespace hxf {
namespace {

using testing::BuildPackage;
using testing::Bytes;
using testing::TestEntry;
using testing::ToBytes;

// Names equal but for ASCII case name one file on Windows, two elsewhere.
#ifdef _WIN32
constexpr bool kHostIgnoresCase = true;
#else
constexpr bool kHostIgnoresCase = false;
#endif

std::string Line(std::string_view text, std::string_view subject) {
  return std::string(text) + std::string(subject);
}

struct Unpacked {
  JobResult result;
  std::vector<std::string> problems;  // the problem lines, oldest first
};

// Unpacks a package of `entries` into /out of `fs`.
Unpacked UnpackInto(testing::MemoryFileSystem& fs, testing::RecordingLog& log,
                    const std::vector<TestEntry>& entries, TExtract::Settings settings = {}) {
  fs.AddFile("/fw.hxf", BuildPackage(entries));
  settings.unpack_root = "/out";
  Joined<TExtract> job(log, "/fw.hxf", std::move(settings), fs);
  testing::RunToEnd(job);
  Unpacked run{job.result(), {}};
  for (const LogLine& line : log.lines()) {
    if (line.kind == LogKind::kProblem) run.problems.push_back(line.text);
  }
  return run;
}

const TExtract::Settings kKeep{.existing_files = ExistingFiles::kKeep};

class ExistingFilesTest : public ::testing::Test {
 protected:
  Unpacked Unpack(const std::vector<TestEntry>& entries, TExtract::Settings settings = {}) {
    return UnpackInto(fs_, log_, entries, std::move(settings));
  }
  std::optional<std::string> Content(const std::string& name) const {
    std::optional<Bytes> bytes = fs_.FileContent("/out/" + name);
    if (!bytes) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  }
  FileId Id(const std::string& name) { return *fs_.Identify("/out/" + name); }

  testing::MemoryFileSystem fs_;
  testing::RecordingLog log_;
};

// --- Replacing, the default ---

TEST_F(ExistingFilesTest, ByDefaultEveryEntryReplacesTheFileAtItsName) {
  fs_.AddFile("/out/a.txt", ToBytes("edited"));
  fs_.AddFile("/out/sub/same.bin", ToBytes("same"));
  fs_.AddFile("/out/notes.txt", ToBytes("mine"));
  const Unpacked run = Unpack({{"a.txt", "new"}, {"sub\\same.bin", "same"}});
  EXPECT_EQ(run.result, JobResult::kSucceeded);
  EXPECT_TRUE(run.problems.empty()) << ::testing::PrintToString(run.problems);
  EXPECT_EQ(Content("a.txt"), "new");
  EXPECT_EQ(Content("sub/same.bin"), "same");
  EXPECT_EQ(Content("notes.txt"), "mine");  // no entry of its name: never touched
  EXPECT_TRUE(log_.questions().empty());
}

// --- Keeping the user's files ---

TEST_F(ExistingFilesTest, KeepLeavesEachFileThatDiffersAndNamesItAndWritesTheRest) {
  // Longer than the buffers the two files are compared through, and unlike at the very end.
  const std::string big(200'000, 'b');
  const std::string big_edited = big.substr(0, big.size() - 1) + "!";
  fs_.AddFile("/out/edited.txt", ToBytes("edited"));  // as long as the entry's data
  fs_.AddFile("/out/shorter.txt", ToBytes("abc"));
  fs_.AddFile("/out/big_edited.bin", ToBytes(big_edited));
  fs_.AddFile("/out/big_same.bin", ToBytes(big));
  // Equal to its entry, and read-only: writing it would fail, leaving it needs nothing.
  fs_.AddFile("/out/same.txt", ToBytes("same"), true);
  const FileId big_same = Id("big_same.bin");

  const Unpacked run = Unpack({{"edited.txt", "theirs"},
                               {"shorter.txt", "abcdef"},
                               {"big_edited.bin", big},
                               {"big_same.bin", big},
                               {"same.txt", "same"},
                               {"new.txt", "new"}},
                              kKeep);
  EXPECT_EQ(run.result, JobResult::kProblems);
  EXPECT_EQ(run.problems,
            std::vector<std::string>(
                {Line(text::kExistingKept, "edited.txt"), Line(text::kExistingKept, "shorter.txt"),
                 Line(text::kExistingKept, "big_edited.bin"), Line(text::kUnpackProblems, "3")}));
  EXPECT_EQ(Content("edited.txt"), "edited");
  EXPECT_EQ(Content("shorter.txt"), "abc");
  EXPECT_EQ(Content("big_edited.bin"), big_edited);
  EXPECT_EQ(Id("big_same.bin"), big_same);  // left as it was, not written again
  EXPECT_EQ(Content("same.txt"), "same");
  EXPECT_EQ(Content("new.txt"), "new");
  EXPECT_TRUE(log_.questions().empty());
}

struct NotAFileCase {
  const char* name;
  std::function<void(testing::MemoryFileSystem&)> place;  // puts it at /out/x
  bool link;
};

// What is not a regular file at an entry's name is never read, nor written through: a link that
// leads to a file equal to the entry is no proof that the user changed nothing there.
TEST_F(ExistingFilesTest, KeepLeavesALinkOrAnythingButAFileAsItIsAndNamesIt) {
  const NotAFileCase cases[] = {
      {"a link to a file equal to the entry",
       [](testing::MemoryFileSystem& fs) { fs.AddLink("/out/x", "/elsewhere/target"); }, true},
      {"a dangling link", [](testing::MemoryFileSystem& fs) { fs.AddLink("/out/x", "/nowhere"); },
       true},
      {"a folder", [](testing::MemoryFileSystem& fs) { fs.AddDirectory("/out/x"); }, false},
      {"a pipe", [](testing::MemoryFileSystem& fs) { fs.AddSpecial("/out/x"); }, false},
  };
  for (const NotAFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::MemoryFileSystem fs;
    testing::RecordingLog log;
    fs.AddFile("/elsewhere/target", ToBytes("data"));
    c.place(fs);
    const Unpacked run = UnpackInto(fs, log, {{"x", "data"}, {"y", "y"}}, kKeep);
    EXPECT_EQ(run.result, JobResult::kProblems);
    ASSERT_EQ(run.problems.size(), 2u) << ::testing::PrintToString(run.problems);
    EXPECT_TRUE(run.problems[0].starts_with(Line(text::kExistingKept, "x: "))) << run.problems[0];
    EXPECT_EQ(run.problems[1], Line(text::kUnpackProblems, "1"));
    EXPECT_EQ(fs.IsLink("/out/x"), c.link);
    EXPECT_EQ(fs.FileContent("/elsewhere/target"), ToBytes("data"));
    EXPECT_EQ(fs.FileContent("/out/y"), ToBytes("y"));  // the unpack went on
  }
}

// --- The question ---

struct QuestionCase {
  const char* name;
  std::function<void(testing::MemoryFileSystem&)> before;  // what /out holds
  bool asked;
  ExistingFiles answer;
  JobResult result;
  std::string a_after;  // a.txt afterwards
  std::vector<std::string> problems;
};

TEST_F(ExistingFilesTest, TheOwnerIsAskedOnlyWhenTheFolderHoldsSomethingAndItsAnswerIsDone) {
  auto edited = [](testing::MemoryFileSystem& fs) {
    fs.AddFile("/out/a.txt", ToBytes("edited"));
    fs.AddFile("/out/mine.txt", ToBytes("mine"));
  };
  const QuestionCase cases[] = {
      {"no folder yet",
       [](auto&) {},
       false,
       ExistingFiles::kCancel,
       JobResult::kSucceeded,
       "new",
       {}},
      {"an empty folder",
       [](testing::MemoryFileSystem& fs) { fs.AddDirectory("/out"); },
       false,
       ExistingFiles::kCancel,
       JobResult::kSucceeded,
       "new",
       {}},
      {"a folder holding only a folder",
       [](testing::MemoryFileSystem& fs) { fs.AddDirectory("/out/sub"); },
       true,
       ExistingFiles::kReplace,
       JobResult::kSucceeded,
       "new",
       {}},
      {"replace", edited, true, ExistingFiles::kReplace, JobResult::kSucceeded, "new", {}},
      {"keep",
       edited,
       true,
       ExistingFiles::kKeep,
       JobResult::kProblems,
       "edited",
       {Line(text::kExistingKept, "a.txt"), Line(text::kUnpackProblems, "1")}},
      {"cancel",
       edited,
       true,
       ExistingFiles::kCancel,
       JobResult::kFailed,
       "edited",
       {std::string(text::kCancelled)}},
  };
  for (const QuestionCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::MemoryFileSystem fs;
    testing::RecordingLog log;
    c.before(fs);
    const std::vector<std::string> held = fs.Names("/out");
    log.AnswerExistingFiles(c.answer);
    const Unpacked run = UnpackInto(fs, log, {{"a.txt", "new"}, {"sub\\b.txt", "b"}},
                                    {.ask_about_existing_files = true});
    EXPECT_EQ(log.questions(),
              c.asked ? std::vector<std::string>({"/out"}) : std::vector<std::string>());
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.problems, c.problems);
    EXPECT_EQ(fs.FileContent("/out/a.txt"), ToBytes(c.a_after));
    if (c.result == JobResult::kFailed) {
      // Cancelled: nothing at all was written.
      EXPECT_EQ(fs.Names("/out"), held);
      EXPECT_FALSE(fs.Exists("/out/sub"));
    } else {
      EXPECT_EQ(fs.FileContent("/out/sub/b.txt"), ToBytes("b"));
    }
  }
}

// --- A name given twice ---

TEST_F(ExistingFilesTest, ALaterEntryOfTheSameNameIsWrittenOverTheEarlierAndNamed) {
  const Unpacked run = Unpack({{"SYS\\a.bin", "first"},
                               {"b", "b"},
                               {"SYS\\a.bin", "second"},
                               {"SYS\\a.bin", "third"},
                               {"c", "c"}});
  EXPECT_EQ(run.result, JobResult::kProblems);
  EXPECT_EQ(run.problems, std::vector<std::string>({Line(text::kNameGivenTwice, "SYS\\a.bin"),
                                                    Line(text::kNameGivenTwice, "SYS\\a.bin"),
                                                    Line(text::kUnpackProblems, "2")}));
  EXPECT_EQ(Content("SYS/a.bin"), "third");
  EXPECT_EQ(Content("b"), "b");
  EXPECT_EQ(Content("c"), "c");
}

TEST_F(ExistingFilesTest, NamesEqualButForCaseAreOneNameOnlyWhereTheHostTakesThemForOne) {
  const Unpacked run = Unpack({{"Font.BIN", "first"}, {"font.bin", "second"}});
  if (kHostIgnoresCase) {
    EXPECT_EQ(run.result, JobResult::kProblems);
    EXPECT_EQ(run.problems, std::vector<std::string>({Line(text::kNameGivenTwice, "font.bin"),
                                                      Line(text::kUnpackProblems, "1")}));
  } else {
    EXPECT_EQ(run.result, JobResult::kSucceeded);
    EXPECT_TRUE(run.problems.empty()) << ::testing::PrintToString(run.problems);
  }
}

// Enough names for every part of the record of names to grow many times, and for some names'
// kept hash bits to agree: each such pair is told apart by reading the earlier name again.
TEST_F(ExistingFilesTest, AmongManyEntriesOnlyTheNameGivenTwiceIsTold) {
  std::vector<TestEntry> entries;
  for (int i = 0; i < 20'000; ++i) {
    entries.push_back({"dir" + std::to_string(i % 7) + "\\file_" + std::to_string(i), ""});
  }
  entries.push_back({"dir3\\file_10", "again"});  // one twice, at the end
  const Unpacked run = Unpack(entries);
  EXPECT_EQ(run.result, JobResult::kProblems);
  EXPECT_EQ(run.problems, std::vector<std::string>({Line(text::kNameGivenTwice, "dir3\\file_10"),
                                                    Line(text::kUnpackProblems, "1")}));
  EXPECT_EQ(Content("dir3/file_10"), "again");
  EXPECT_EQ(fs_.Names("/out/dir6").size(), 20'000u / 7);
}

struct KeepTwiceCase {
  const char* name;
  std::optional<std::string> before;  // the file at the name before the unpack
  std::string after;
  std::vector<std::string> problems;
};

// Under keep, what this run wrote is no file of the user's: the later entry replaces it.
TEST_F(ExistingFilesTest, UnderKeepALaterEntryReplacesOnlyWhatThisRunWrote) {
  const KeepTwiceCase cases[] = {
      {"nothing there",
       std::nullopt,
       "second",
       {Line(text::kNameGivenTwice, "a"), Line(text::kUnpackProblems, "1")}},
      {"the first entry's data there",
       "first",
       "second",
       {Line(text::kNameGivenTwice, "a"), Line(text::kUnpackProblems, "1")}},
      {"the user's own file there",
       "edited",
       "edited",
       {Line(text::kExistingKept, "a"), Line(text::kExistingKept, "a"),
        Line(text::kUnpackProblems, "2")}},
  };
  for (const KeepTwiceCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::MemoryFileSystem fs;
    testing::RecordingLog log;
    if (c.before) fs.AddFile("/out/a", ToBytes(*c.before));
    const Unpacked run = UnpackInto(fs, log, {{"a", "first"}, {"a", "second"}}, kKeep);
    EXPECT_EQ(run.result, JobResult::kProblems);
    EXPECT_EQ(run.problems, c.problems);
    EXPECT_EQ(fs.FileContent("/out/a"), ToBytes(c.after));
  }
}

}  // namespace
}  // namespace hxf
