#include "pack/pack_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "core/log_texts.h"
#include "core/package_format.h"
#include "tests/pack/pack_test_support.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/links.h"

namespace hxf {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using testing::WriteFile;

std::string Adding(const std::string& name) {
  return std::string(text::kAdding) + name + std::string(text::kPack);
}

std::string Line(std::string_view text, const std::string& name) {
  return std::string(text) + name;
}

// Keeps what the packer reports, in order: log lines, and "<written>" where the package grew
// between two lines.
class RecordingJob final : public PackJob {
 public:
  void Report(std::string text, LogKind kind) override {
    if (kind == LogKind::kProblem) problems.push_back(text);
    events.push_back(std::move(text));
  }
  bool StopRequested() const override { return stop_after_writes && writes >= *stop_after_writes; }
  void Written(std::uint64_t) override {
    ++writes;
    if (events.empty() || events.back() != "<written>") events.emplace_back("<written>");
  }

  std::vector<std::string> events;
  std::vector<std::string> problems;
  std::optional<int> stop_after_writes;
  int writes = 0;
};

class PackDirectoryTest : public ::testing::Test {
 protected:
  PackDirectoryTest() { fs::create_directories(root_); }

  // Packs root_ into a package beside it; on success, returns the package's entries.
  Status Pack(const PackSettings& settings = {}, FileSystem& file_system = SystemFileSystem()) {
    Result<std::unique_ptr<OutputFile>> output = file_system.CreateReplacing(dir_ / "p.hxf");
    Result<std::unique_ptr<Directory>> root = file_system.OpenDirectory(root_, false);
    EXPECT_TRUE(output.ok() && root.ok());
    RecordWriter writer(**output);
    EXPECT_TRUE(writer.Start().ok());
    Result<PackTotals> totals = PackDirectory(job_, writer, **root, settings);
    if (totals.ok()) {
      totals_ = *totals;
      EXPECT_TRUE(writer.WriteEndMarker().ok());
      EXPECT_TRUE(writer.WriteHeader().ok());
      EXPECT_TRUE((*output)->Commit({}).ok());
      entries_ = testing::ReadEntries(testing::ReadFile(dir_ / "p.hxf"));
      EXPECT_EQ(totals->entries, entries_.size());
    }
    return totals.status();
  }

  std::vector<std::string> Names() const { return testing::EntryNames(entries_); }
  PackTotals totals_;

  // The names Directory::List gives for `path`, in its order, directories left out.
  std::vector<std::string> ListedFiles(const std::string& path) {
    std::vector<std::string> names;
    Result<std::unique_ptr<Directory>> directory = SystemFileSystem().OpenDirectory(path, false);
    Result<Listing> listing = (*directory)->List();
    for (const DirectoryEntry entry : *listing) {
      if (entry.kind != EntryKind::kDirectory) names.emplace_back(entry.name);
    }
    return names;
  }

  testing::TempDir dir_;
  const std::string root_ = dir_ / "in_hxf";
  RecordingJob job_;
  std::vector<testing::PackedEntry> entries_;
};

TEST_F(PackDirectoryTest, SortsFilesAndDirectoriesTogetherByFoldedPackageName) {
  for (const char* path : {"b.bin", "c.bin", "Font", "_u", "中文.txt", "\xFF.bin", "A/x.bin",
                           "font2/y.bin", "sub/deeper/z.bin", "sub/a.bin"}) {
    WriteFile(root_ + "/" + path, path);
  }
  ASSERT_TRUE(Pack().ok());
  // "中文" sorts by its GBK bytes D6 D0 CE C4, after every ASCII name; the raw byte 0xFF first.
  EXPECT_THAT(Names(),
              ElementsAre("\xFF.bin", "_u", "A\\x.bin", "b.bin", "c.bin", "Font", "font2\\y.bin",
                          "sub\\a.bin", "sub\\deeper\\z.bin", "\xD6\xD0\xCE\xC4.txt"));
  EXPECT_EQ(entries_[2].data, "A/x.bin");
  EXPECT_TRUE(job_.problems.empty());
}

// Two names the player would take for one are named once each pair is found, in one directory
// or in two whose names differ only in case, however deep.
TEST_F(PackDirectoryTest, WarnsOfEveryPairOfEntryNamesEqualButForCase) {
  const struct {
    std::vector<const char*> files;
    std::size_t warnings;
  } cases[] = {
      {{"x", "X", "sub/x"}, 1},
      {{"Dir/x", "dir/x"}, 1},
      {{"Dir/x", "dir/y"}, 0},
      {{"A/b/c", "a/B/c", "a/b/d"}, 1},
      {{"A/b/c", "a/B/c", "a/b/C"}, 2},
      {{"a/X/y", "b/x/y"}, 0},
      {{"中/Q/z", "中/q/z", "中/q/Z"}, 2},
  };
  for (const auto& c : cases) {
    fs::remove_all(root_);
    for (const char* file : c.files) WriteFile(root_ + "/" + file, file);
    job_ = RecordingJob();
    ASSERT_TRUE(Pack().ok());
    EXPECT_EQ(Names().size(), c.files.size()) << c.files[0];
    EXPECT_EQ(job_.problems.size(), c.warnings) << c.files[0];
    for (const std::string& problem : job_.problems) {
      EXPECT_THAT(problem, ::testing::StartsWith(std::string(text::kNameCaseOnly))) << c.files[0];
    }
  }
}

TEST_F(PackDirectoryTest, LogsAddingLinesOfADirectoryInListingOrderBeforeItsRecords) {
  for (const char* path : {"a.bin", "c.bin", "e.bin", "B/x.bin", "B/y.bin", "B/w.bin"}) {
    WriteFile(root_ + "/" + path, "data");
  }
  ASSERT_TRUE(Pack().ok());
  std::vector<std::string> expected;
  for (const std::string& name : ListedFiles(root_)) expected.push_back(Adding(name));
  expected.push_back("<written>");  // a.bin
  for (const std::string& name : ListedFiles(root_ + "/B")) expected.push_back(Adding(name));
  expected.push_back("<written>");  // B\w.bin to e.bin
  EXPECT_EQ(job_.events, expected);
  EXPECT_THAT(Names(), ElementsAre("a.bin", "B\\w.bin", "B\\x.bin", "B\\y.bin", "c.bin", "e.bin"));
}

// Names that begin with a dot are left out unless asked for, but never without a word: each is
// named on a line of its own (shown where every line is) and counted for the job's last line.
// Asked for, they go in in the package's order; our own unfinished files never do.
TEST_F(PackDirectoryTest, LeavesOutDotNamesAndEmptyDirectoriesButNotEmptyFiles) {
  WriteFile(root_ + "/.hidden", "secret");
  WriteFile(root_ + "/.git/config", "x");
  WriteFile(root_ + "/sub/.keep", "");
  WriteFile(root_ + "/zero.bin", "");
  fs::create_directories(root_ + "/empty/emptier");
  ASSERT_TRUE(Pack().ok());
  EXPECT_EQ(entries_, (std::vector<testing::PackedEntry>{{"zero.bin", ""}}));
  EXPECT_EQ(totals_.hidden, 3u);
  EXPECT_THAT(job_.events, IsSupersetOf({Line(text::kHiddenLeftOut, ".hidden"),
                                         Line(text::kHiddenLeftOut, ".git"),
                                         Line(text::kHiddenLeftOut, "sub\\.keep")}));
  EXPECT_TRUE(job_.problems.empty());

  WriteFile(root_ + "/" + std::string(kTemporaryNamePrefix) + "1-2", "torn");
  job_ = {};
  PackSettings hidden;
  hidden.include_hidden = true;
  ASSERT_TRUE(Pack(hidden).ok());
  EXPECT_THAT(Names(), ElementsAre(".git\\config", ".hidden", "sub\\.keep", "zero.bin"));
  EXPECT_EQ(totals_.hidden, 0u);
}

TEST_F(PackDirectoryTest, RefusesNamesAPackageCannotHoldAndPacksTheRest) {
  const std::string long_directory(200, 'd');
  const std::string fits(199, 'f');      // 200 + 1 + 199 = 400 bytes: the longest name
  const std::string too_long(200, 'g');  // 401 bytes
  for (const std::string& path :
       {std::string("ok.txt"), std::string("back\\slash.txt"), std::string("\xF0\x9F\x98\x80.txt"),
        std::string("bad\\dir/inner.txt"), std::string("new\nline.txt"), std::string("esc\x1B[2J"),
        std::string("colon:stream"), long_directory + "/" + fits,
        long_directory + "/" + too_long}) {
    WriteFile(root_ + "/" + path, "x");
  }
  ASSERT_TRUE(Pack().ok());
  EXPECT_THAT(Names(), ElementsAre(long_directory + "\\" + fits, "ok.txt"));
  // Names the unpacker would refuse are never written; they are shown escaped.
  EXPECT_THAT(job_.problems,
              ::testing::UnorderedElementsAre(
                  Line(text::kNameHasBackslash, "back\\slash.txt"),
                  Line(text::kNameHasBackslash, "bad\\dir"),
                  Line(text::kNameNotAllowed, "new\\x0Aline.txt: control character"),
                  Line(text::kNameNotAllowed, "esc\\x1B[2J: control character"),
                  Line(text::kNameNotAllowed, "colon:stream: colon (drive letter or stream)"),
                  Line(text::kNameNotEncodable, "\xF0\x9F\x98\x80.txt"),
                  Line(text::kNameTooLong, long_directory + "\\" + too_long)));
}

// 乗 is 81 5C in GBK: its second byte is no backslash, and the unpacker splits names only once
// they are decoded, so it comes back whole.
TEST_F(PackDirectoryTest, PacksAGbkNameWhoseSecondByteIs0x5C) {
  WriteFile(root_ + "/乗/乗.txt", "x");
  ASSERT_TRUE(Pack().ok());
  EXPECT_THAT(Names(), ElementsAre("\x81\x5C\\\x81\x5C.txt"));
  EXPECT_THAT(job_.problems, ::testing::IsEmpty());
}

TEST_F(PackDirectoryTest, RawNamesKeepTheirBytesButNeverABackslash) {
  for (const char* path : {"\xF0\x9F\x98\x80.txt", "中文.txt", "back\\slash.txt"}) {
    WriteFile(root_ + "/" + path, "x");
  }
  PackSettings settings;
  settings.names = NameEncoding::kRaw;
  ASSERT_TRUE(Pack(settings).ok());
  EXPECT_THAT(Names(), ElementsAre("\xE4\xB8\xAD\xE6\x96\x87.txt", "\xF0\x9F\x98\x80.txt"));
  EXPECT_THAT(job_.problems, ElementsAre(Line(text::kNameHasBackslash, "back\\slash.txt")));
}

TEST_F(PackDirectoryTest, RefusesAFileOf2GiB) {
  testing::MakeSparseFile(root_ + "/huge.bin", format::kMaxStoredFileSize + 1);
  WriteFile(root_ + "/small.bin", "abc");
  ASSERT_TRUE(Pack().ok());
  EXPECT_EQ(entries_, (std::vector<testing::PackedEntry>{{"small.bin", "abc"}}));
  EXPECT_THAT(job_.problems, ElementsAre(Line(text::kFileTooLarge, "huge.bin")));
}

TEST_F(PackDirectoryTest, NamesAFileThatCannotBeOpenedAfterItsAddingLine) {
  WriteFile(root_ + "/a.bin", "a");
  WriteFile(root_ + "/sub/busy.bin", "b");
  Result<std::unique_ptr<InputFile>> held =
      SystemFileSystem().OpenForReading(root_ + "/sub/busy.bin");
  ASSERT_TRUE(held.ok());
  ASSERT_TRUE(Pack().ok());
  EXPECT_EQ(entries_, (std::vector<testing::PackedEntry>{{"a.bin", "a"}}));
  ASSERT_EQ(job_.problems.size(), 1u);
  EXPECT_THAT(job_.problems[0], ::testing::StartsWith(Line(text::kFileError, "sub\\busy.bin: ")));
  EXPECT_THAT(job_.events, IsSupersetOf({Adding("busy.bin")}));
}

TEST_F(PackDirectoryTest, DoesNotFollowADirectoryLinkBackUpTheTree) {
  WriteFile(root_ + "/sub/f.txt", "f");
  if (!testing::MakeLink(root_ + "/sub/loop", "..")) GTEST_SKIP() << "no links here";
  ASSERT_TRUE(testing::MakeLink(root_ + "/alias", "sub"));  // a link across the tree is followed
  ASSERT_TRUE(Pack().ok());
  EXPECT_THAT(Names(), ElementsAre("alias\\f.txt", "sub\\f.txt"));
  EXPECT_THAT(job_.problems, ElementsAre(Line(text::kLinkLoop, "alias\\loop"),
                                         Line(text::kLinkLoop, "sub\\loop")));
}

// A link to /etc would otherwise put the system's files into the package.
TEST_F(PackDirectoryTest, LeavesOutLinksThatLeadOutOfTheRoot) {
  testing::TempDir outside;
  WriteFile(outside / "secret", "not for the package");
  WriteFile(outside / "dir/secret", "nor this");
  WriteFile(root_ + "/inside/f.txt", "f");
  if (!testing::MakeLink(root_ + "/file_out", outside / "secret")) GTEST_SKIP() << "no links here";
  ASSERT_TRUE(testing::MakeLink(root_ + "/dir_out", outside / "dir"));
  ASSERT_TRUE(testing::MakeLink(root_ + "/file_in", "inside/f.txt"));
  ASSERT_TRUE(testing::MakeLink(root_ + "/dir_in", "inside"));
  ASSERT_TRUE(testing::MakeLink(root_ + "/through_a_link", "dir_out/secret"));

  ASSERT_TRUE(Pack().ok());
  EXPECT_THAT(Names(), ElementsAre("dir_in\\f.txt", "file_in", "inside\\f.txt"));
  EXPECT_THAT(job_.problems,
              ::testing::UnorderedElementsAre(Line(text::kLinkOutside, "dir_out"),
                                              Line(text::kLinkOutside, "file_out"),
                                              Line(text::kLinkOutside, "through_a_link")));

  PackSettings follow;
  follow.follow_all_links = true;
  job_ = {};
  ASSERT_TRUE(Pack(follow).ok());
  EXPECT_THAT(Names(), ElementsAre("dir_in\\f.txt", "dir_out\\secret", "file_in", "file_out",
                                   "inside\\f.txt", "through_a_link"));
  EXPECT_THAT(job_.problems, ::testing::IsEmpty());
}

TEST_F(PackDirectoryTest, SkipsSpecialFilesWithoutOpeningThem) {
  // A pipe would block an open for reading until a writer came.
  ASSERT_TRUE(testing::MakeSpecial(root_ + "/pipe"));
  WriteFile(root_ + "/z.bin", "z");
  ASSERT_TRUE(Pack().ok());
  EXPECT_THAT(Names(), ElementsAre("z.bin"));
  EXPECT_THAT(job_.problems, ElementsAre(Line(text::kSpecialFile, "pipe")));
}

TEST_F(PackDirectoryTest, NeverPacksAnExcludedFileUnderAnyName) {
  WriteFile(root_ + "/package.hxf", "old package");
  fs::create_hard_link(root_ + "/package.hxf", root_ + "/second-name.hxf");
  WriteFile(root_ + "/a.bin", "a");
  PackSettings settings;
  settings.excluded_files.push_back(*SystemFileSystem().Identify(root_ + "/package.hxf"));
  ASSERT_TRUE(Pack(settings).ok());
  EXPECT_THAT(Names(), ElementsAre("a.bin"));
  EXPECT_EQ(job_.events, (std::vector<std::string>{Adding("a.bin"), "<written>"}));
}

TEST_F(PackDirectoryTest, CopiesExactlyTheRecordedLengthOfAFileThatChanges) {
  WriteFile(root_ + "/shrunk.bin", "abc");
  WriteFile(root_ + "/grown.bin", "abcdef");
  WriteFile(root_ + "/steady.bin", "steady");
  testing::Faults faults;
  faults.size_changes = {{"shrunk.bin", 3}, {"grown.bin", -2}};
  testing::FaultyFileSystem faulty(faults);
  ASSERT_TRUE(Pack({}, faulty).ok());
  // The package stays well formed: each record holds the length it states.
  EXPECT_EQ(entries_,
            (std::vector<testing::PackedEntry>{{"grown.bin", "abcd"},
                                               {"shrunk.bin", std::string("abc\0\0\0", 6)},
                                               {"steady.bin", "steady"}}));
  EXPECT_EQ(job_.problems, std::vector<std::string>{Line(text::kFileShrank, "shrunk.bin")});
}

TEST_F(PackDirectoryTest, AFileThatCannotBeReadEndsThePackage) {
  WriteFile(root_ + "/broken.bin", "abcdef");
  WriteFile(root_ + "/later.bin", "later");
  testing::Faults faults;
  faults.unreadable_files = {"broken.bin"};
  testing::FaultyFileSystem faulty(faults);
  EXPECT_FALSE(Pack({}, faulty).ok());
  ASSERT_EQ(job_.problems.size(), 1u);
  EXPECT_THAT(job_.problems[0], ::testing::StartsWith(Line(text::kFileReadFailed, "broken.bin")));
}

TEST_F(PackDirectoryTest, ReportsADirectoryThatCannotBeListedAndGoesOn) {
  WriteFile(root_ + "/locked/a.bin", "a");
  WriteFile(root_ + "/open/b.bin", "b");
  testing::Faults faults;
  faults.unlistable_directories = {root_ + "/locked"};
  testing::FaultyFileSystem faulty(faults);
  ASSERT_TRUE(Pack({}, faulty).ok());
  EXPECT_THAT(Names(), ElementsAre("open\\b.bin"));
  ASSERT_EQ(job_.problems.size(), 1u);
  EXPECT_THAT(job_.problems[0],
              ::testing::StartsWith(Line(text::kCannotReadDirectory, "locked: ")));
}

TEST_F(PackDirectoryTest, ARootThatCannotBeListedFailsThePackage) {
  WriteFile(root_ + "/a.bin", "a");
  testing::Faults faults;
  faults.unlistable_directories = {root_};
  testing::FaultyFileSystem faulty(faults);
  EXPECT_FALSE(Pack({}, faulty).ok());
  ASSERT_EQ(job_.problems.size(), 1u);
  EXPECT_THAT(job_.problems[0], ::testing::StartsWith(Line(text::kCannotReadDirectory, root_)));
}

TEST_F(PackDirectoryTest, StopsBetweenChunksWhenAsked) {
  WriteFile(root_ + "/a.bin", Bytes(1000));
  WriteFile(root_ + "/b.bin", Bytes(1000));
  job_.stop_after_writes = 3;
  PackSettings settings;
  settings.buffer_size = 100;
  const Status status = Pack(settings);
  EXPECT_EQ(status.code(), Status::Code::kCancelled);
  EXPECT_EQ(job_.writes, 3);
  EXPECT_THAT(job_.problems, ElementsAre(std::string(text::kCancelled)));
}

}  // namespace
}  // namespace hxf
