#include "unpack/extract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/log_texts.h"
#include "tests/support/files.h"
#include "tests/support/links.h"
#include "tests/support/memory_file.h"
#include "tests/support/package_bytes.h"
#include "tests/support/recording_log.h"

namespace hxf {
namespace {

using testing::BuildPackage;
using testing::Bytes;
using testing::Concat;
using testing::ReadFile;
using testing::Record;
using testing::TempDir;
using testing::ToBytes;
using testing::U32;
using testing::WithHeader;

std::string Text(std::string_view text, std::string_view subject = "") {
  return std::string(text) + std::string(subject);
}

// The host's file system, except that the package is read from memory, where faults can be set.
class MemoryPackageFileSystem final : public FileSystem {
 public:
  explicit MemoryPackageFileSystem(std::unique_ptr<testing::MemoryInputFile> package)
      : package_(std::move(package)) {}

  Result<std::unique_ptr<InputFile>> OpenForReading(const std::string&) override {
    return std::unique_ptr<InputFile>(std::move(package_));
  }
  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path, bool create) override {
    return SystemFileSystem().OpenDirectory(path, create);
  }
  Result<std::unique_ptr<OutputFile>> CreateReplacing(const std::string& path) override {
    return SystemFileSystem().CreateReplacing(path);
  }
  Result<FileId> Identify(const std::string& path) override {
    return SystemFileSystem().Identify(path);
  }

 private:
  std::unique_ptr<testing::MemoryInputFile> package_;
};

class ExtractTest : public ::testing::Test {
 protected:
  // Writes `package` as fw.hxf in a fresh directory and unpacks it with the default root.
  JobResult Unpack(const Bytes& package, NameEncoding names = NameEncoding::kGbk) {
    testing::WriteFile(package_path(), package);
    Joined<TExtract> worker(log_, package_path(), TExtract::Settings{.names = names});
    testing::RunToEnd(worker);
    return worker.result();
  }

  std::string package_path() const { return dir_ / "fw.hxf"; }
  std::string out(const std::string& relative = "") const { return dir_ / ("out_hxf/" + relative); }
  std::vector<std::string> Problems() const {
    std::vector<std::string> problems;
    for (const LogLine& line : log_.lines()) {
      if (line.kind == LogKind::kProblem) problems.push_back(line.text);
    }
    return problems;
  }

  TempDir dir_;
  testing::RecordingLog log_;
};

TEST_F(ExtractTest, UnpacksTheFormatExamplesExactly) {
  EXPECT_EQ(Unpack(BuildPackage({{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}})),
            JobResult::kSucceeded);
  EXPECT_EQ(testing::ListFilesRecursively(out()), (std::vector<std::string>{"sub/b.bin", "z.txt"}));
  EXPECT_EQ(ReadFile(out("sub/b.bin")), ToBytes("\x01\x02\x03\x04\x05"));
  EXPECT_TRUE(ReadFile(out("z.txt")).empty());
  // A clean package logs nothing but its final line: the end marker is no error.
  EXPECT_EQ(log_.texts(), std::vector<std::string>{Text(text::kUnpackDone)});
  EXPECT_EQ(log_.lines().back().kind, LogKind::kFinal);
}

TEST_F(ExtractTest, ExistingFilesAreReplacedNotAppendedTo) {
  testing::WriteFile(out("a.txt"), "a much longer old content");
  Unpack(BuildPackage({{"a.txt", "abc"}}));
  EXPECT_EQ(ReadFile(out("a.txt")), ToBytes("abc"));
}

TEST_F(ExtractTest, HostileNamesAreRefusedAndUnpackingGoesOn) {
  const std::vector<std::string> hostile = {"..\\escaped.txt",
                                            "a\\..\\..\\escaped.txt",
                                            "\\escaped.txt",
                                            "C:\\escaped.txt",
                                            "C:escaped.txt",
                                            "a/../../escaped.txt",
                                            "a\\\\b.txt",
                                            "a\nb.txt",
                                            std::string("ok.txt\0..\\x", 11)};
  std::vector<testing::TestEntry> entries;
  for (const std::string& name : hostile) entries.push_back({name, "evil"});
  entries.push_back({"good.txt", "fine"});

  EXPECT_EQ(Unpack(BuildPackage(entries)), JobResult::kProblems);

  // Only the good file exists, anywhere under the scratch directory.
  EXPECT_EQ(testing::ListFilesRecursively(dir_.path()),
            (std::vector<std::string>{"fw.hxf", "out_hxf/good.txt"}));
  EXPECT_EQ(ReadFile(out("good.txt")), ToBytes("fine"));
  const std::vector<std::string> problems = Problems();
  ASSERT_EQ(problems.size(), hostile.size() + 1);
  EXPECT_EQ(problems[0], Text(text::kUnsafeName, "..\\escaped.txt"));
  EXPECT_EQ(problems[7], Text(text::kUnsafeName, "a\\x0Ab.txt"));  // shown escaped
  EXPECT_EQ(problems.back(), Text(text::kUnpackIncomplete, std::to_string(hostile.size())));
}

TEST_F(ExtractTest, LinksInTheUnpackRootAreNotFollowedOutOfIt) {
  TempDir outside;
  std::filesystem::create_directories(out());
  if (!testing::MakeLink(out("link"), outside.path())) GTEST_SKIP() << "no links here";

  EXPECT_EQ(Unpack(BuildPackage({{"link\\planted.txt", "evil"}, {"after.txt", "ok"}})),
            JobResult::kProblems);
  EXPECT_TRUE(testing::ListFilesRecursively(outside.path()).empty());
  EXPECT_EQ(ReadFile(out("after.txt")), ToBytes("ok"));
  ASSERT_EQ(Problems().size(), 2u);
  EXPECT_EQ(Problems()[0].rfind(Text(text::kCannotCreateFile, "link\\planted.txt"), 0), 0u);
  EXPECT_EQ(Problems()[1], Text(text::kUnpackIncomplete, "1"));
}

TEST_F(ExtractTest, UncreatableOutputSkipsItsRecordInStep) {
  std::filesystem::create_directories(out("taken_by_directory"));
  testing::WriteFile(out("read_only.txt"), "keep me");
  std::filesystem::permissions(out("read_only.txt"), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::group_read |
                                                         std::filesystem::perms::others_read);

  EXPECT_EQ(Unpack(BuildPackage({{"taken_by_directory", "data"},
                                 {"read_only.txt", "new"},
                                 {"next.txt", "still read in step"}})),
            JobResult::kProblems);
  EXPECT_EQ(ReadFile(out("read_only.txt")), ToBytes("keep me"));
  EXPECT_EQ(ReadFile(out("next.txt")), ToBytes("still read in step"));
  const std::vector<std::string> problems = Problems();
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0].rfind(Text(text::kCannotCreateFile, "taken_by_directory"), 0), 0u);
  EXPECT_EQ(problems[1].rfind(Text(text::kCannotCreateFile, "read_only.txt"), 0), 0u);
  EXPECT_EQ(problems[2], Text(text::kUnpackIncomplete, "2"));
}

TEST_F(ExtractTest, NameLengthOver400StopsWithItsOffset) {
  const Bytes package = WithHeader(
      Concat({Record("first.txt", "1"), U32(401), Bytes(401), Record("never.txt", "2"), U32(0)}));
  EXPECT_EQ(Unpack(package), JobResult::kProblems);
  EXPECT_EQ(testing::ListFilesRecursively(out()), std::vector<std::string>{"first.txt"});
  EXPECT_EQ(log_.texts(), (std::vector<std::string>{Text(text::kBadNameLengthAt, "83"),
                                                    Text(text::kUnpackIncomplete, "1")}));
}

// The data length is checked against the bytes left before the output file is started: the
// user's file of that name is not touched at all.
TEST_F(ExtractTest, DataCutShortLeavesNoFileLookingComplete) {
  testing::WriteFile(out("cut.bin"), "the user's own file");
  Bytes package = BuildPackage({{"whole.txt", "ok"}, {"cut.bin", std::string(5000, 'x')}});
  package.resize(package.size() - 2000);

  EXPECT_EQ(Unpack(package), JobResult::kProblems);
  EXPECT_EQ(ReadFile(out("whole.txt")), ToBytes("ok"));
  EXPECT_EQ(ReadFile(out("cut.bin")), ToBytes("the user's own file"));
  EXPECT_EQ(testing::ListFilesRecursively(out()),
            (std::vector<std::string>{"cut.bin", "whole.txt"}));  // no temporary left behind
  const std::vector<std::string> problems = Problems();
  EXPECT_EQ(problems,
            (std::vector<std::string>{Text(text::kTruncatedAt, "84"), Text(text::kLengthMismatch),
                                      Text(text::kUnpackIncomplete, "1")}));
}

// Reading fails, or the package shrinks after it was opened, while a record's data are read or
// skipped: each says what happened and where, the new file is not written and the user's earlier
// file of that name is kept.
TEST_F(ExtractTest, ReadFaultsInsideDataAreToldAndKeepTheEarlierFile) {
  enum class Fault { kReadError, kShrank };
  struct Case {
    const char* what;
    std::string name;  // of the record the fault lies in, at offset 64
    Fault fault;
    JobResult result;
    std::vector<std::string> problems;
  };
  const std::string read_error = Text(text::kReadFailed, ": memory.hxf: Input/output error");
  const Case cases[] = {
      {"read error while copying",
       "old.bin",
       Fault::kReadError,
       JobResult::kFailed,
       {read_error, Text(text::kNotWrittenKept, "old.bin")}},
      {"shrank while copying",
       "old.bin",
       Fault::kShrank,
       JobResult::kProblems,
       {Text(text::kTruncatedAt, "64"), Text(text::kNotWrittenKept, "old.bin"),
        Text(text::kChecksumMismatch), Text(text::kUnpackIncomplete, "1")}},
      // Not "文件数据不完整,位置0": the reason of the failure is kept.
      {"read error while skipping a refused record",
       "..\\old.bin",
       Fault::kReadError,
       JobResult::kFailed,
       {Text(text::kUnsafeName, "..\\old.bin"), read_error}},
      {"shrank while skipping a refused record",
       "..\\old.bin",
       Fault::kShrank,
       JobResult::kProblems,
       {Text(text::kUnsafeName, "..\\old.bin"), Text(text::kTruncatedAt, "64"),
        Text(text::kChecksumMismatch), Text(text::kUnpackIncomplete, "1")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(out());
    testing::WriteFile(out("old.bin"), "the user's own file");
    const Bytes package = BuildPackage({{c.name, std::string(3000, 'x')}, {"after.txt", "x"}});
    const std::size_t inside_data = 64 + 4 + c.name.size() + 5 + 2000;
    auto file = std::make_unique<testing::MemoryInputFile>(
        c.fault == Fault::kShrank ? Bytes(package.begin(), package.begin() + inside_data) : package,
        1000);
    if (c.fault == Fault::kShrank) file->ClaimSize(package.size());
    if (c.fault == Fault::kReadError) file->FailReadsFrom(inside_data);
    MemoryPackageFileSystem file_system(std::move(file));
    testing::RecordingLog log;
    Joined<TExtract> worker(log, package_path(), TExtract::Settings{}, file_system);
    testing::RunToEnd(worker);

    EXPECT_EQ(worker.result(), c.result);
    std::vector<std::string> problems;
    for (const LogLine& line : log.lines()) {
      if (line.kind == LogKind::kProblem) problems.push_back(line.text);
    }
    EXPECT_EQ(problems, c.problems);
    EXPECT_EQ(testing::ListFilesRecursively(out()), std::vector<std::string>{"old.bin"});
    EXPECT_EQ(ReadFile(out("old.bin")), ToBytes("the user's own file"));
  }
}

// A clean unpack ends on the final line. One that lost or refused anything ends on how many
// records it did not write, one whose problems lost nothing on how many there were, and neither
// says it is complete: the two lines would contradict each other. A package that is not whole
// (its header's texts, its length, its end marker) is unpacked all the same, and says so.
TEST_F(ExtractTest, TheLastLineSaysWhatWentWrongAndNothingSaysAllWasWell) {
  Bytes flipped = BuildPackage({{"a.txt", "abc"}});
  flipped[80] ^= std::byte{1};
  Bytes refused_and_flipped = BuildPackage({{"..\\x", "1"}, {"\\y", "2"}, {"a.txt", "abc"}});
  refused_and_flipped[24] ^= std::byte{1};  // the header's checksum field
  Bytes other_texts = BuildPackage({{"a.txt", "abc"}});
  other_texts[0] = std::byte{'X'};  // "WADF..." no more
  // Length and checksum agree with the file, but the records stop without an end marker, or go
  // on after it.
  const Bytes no_end_marker = WithHeader(Record("a.txt", "abc"));
  const Bytes after_end_marker = WithHeader(Concat({Record("a.txt", "abc"), U32(0), U32(0)}));
  struct Case {
    const char* what;
    Bytes package;
    std::vector<std::string> last_lines;
  };
  const Case cases[] = {
      {"clean", BuildPackage({{"a.txt", "abc"}}), {Text(text::kUnpackDone)}},
      {"checksum only", flipped, {Text(text::kChecksumMismatch), Text(text::kUnpackProblems, "1")}},
      {"two refused, checksum",
       refused_and_flipped,
       {Text(text::kChecksumMismatch), Text(text::kUnpackIncomplete, "2")}},
      {"other header texts",
       other_texts,
       {Text(text::kHeaderTextsWrong), Text(text::kUnpackProblems, "1")}},
      {"no end marker",
       no_end_marker,
       {Text(text::kRecordsWrong, ": 1 entries; no end marker"), Text(text::kUnpackProblems, "1")}},
      {"bytes after the end marker",
       after_end_marker,
       {Text(text::kRecordsWrong, ": 1 entries; 4 bytes after the end marker at offset 81"),
        Text(text::kUnpackProblems, "1")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(out());
    testing::RecordingLog log;
    testing::WriteFile(package_path(), c.package);
    Joined<TExtract> worker(log, package_path());
    testing::RunToEnd(worker);
    EXPECT_EQ(ReadFile(out("a.txt")), ToBytes(c.package == flipped ? "abb" : "abc"));
    std::vector<std::string> texts = log.texts();
    if (c.last_lines.size() > 1) {
      EXPECT_EQ(std::count(texts.begin(), texts.end(), Text(text::kUnpackDone)), 0);
    }
    ASSERT_GE(texts.size(), c.last_lines.size());
    texts.erase(texts.begin(), texts.end() - c.last_lines.size());
    EXPECT_EQ(texts, c.last_lines);
  }
}

TEST_F(ExtractTest, HeaderMismatchWarnsButFilesAreWritten) {
  Bytes flipped = BuildPackage({{"a.txt", "abc"}});
  flipped[80] ^= std::byte{1};  // the data byte c
  EXPECT_EQ(Unpack(flipped), JobResult::kProblems);
  EXPECT_EQ(ReadFile(out("a.txt")), ToBytes("abb"));
  EXPECT_EQ(Problems(), (std::vector<std::string>{Text(text::kChecksumMismatch),
                                                  Text(text::kUnpackProblems, "1")}));
}

// With names or patterns, only the entries they pick are written; each one that picks nothing is
// told after the others and makes the job end with problems.
TEST_F(ExtractTest, OnlyThePickedEntriesAreWritten) {
  const Bytes package = BuildPackage({{"SYSTEM\\FONT\\a.bin", "1"},
                                      {"SYSTEM\\logo.bmp", "2"},
                                      {"lang\\\xD6\xD0.txt", "3"},
                                      {"z.txt", "4"}});
  struct Case {
    std::vector<std::string> only;
    std::vector<std::string> files;
    JobResult result;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {{},
       {"SYSTEM/FONT/a.bin", "SYSTEM/logo.bmp", "lang/中.txt", "z.txt"},
       JobResult::kSucceeded,
       {}},
      {{"z.txt"}, {"z.txt"}, JobResult::kSucceeded, {}},
      {{"Z.TXT"}, {"z.txt"}, JobResult::kSucceeded, {}},
      {{"system"}, {"SYSTEM/FONT/a.bin", "SYSTEM/logo.bmp"}, JobResult::kSucceeded, {}},
      {{"system/font/A.BIN"}, {"SYSTEM/FONT/a.bin"}, JobResult::kSucceeded, {}},
      {{"SYSTEM\\*"}, {"SYSTEM/FONT/a.bin", "SYSTEM/logo.bmp"}, JobResult::kSucceeded, {}},
      {{"**/*.b??"}, {"SYSTEM/FONT/a.bin", "SYSTEM/logo.bmp"}, JobResult::kSucceeded, {}},
      {{"lang/?.txt"}, {"lang/中.txt"}, JobResult::kSucceeded, {}},
      {{"z.txt", "z.txt"}, {"z.txt"}, JobResult::kSucceeded, {}},
      {{"missing", "z.txt", "*.bin"},
       {"z.txt"},
       JobResult::kProblems,
       {Text(text::kNoSuchEntry, "missing"), Text(text::kNoSuchEntry, "*.bin"),
        Text(text::kUnpackProblems, "2")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.only));
    std::filesystem::remove_all(out());
    testing::RecordingLog log;
    testing::WriteFile(package_path(), package);
    Joined<TExtract> worker(log, package_path(), TExtract::Settings{.only = c.only});
    testing::RunToEnd(worker);
    EXPECT_EQ(worker.result(), c.result);
    EXPECT_EQ(testing::ListFilesRecursively(out()), c.files);
    std::vector<std::string> problems;
    for (const LogLine& line : log.lines()) {
      if (line.kind == LogKind::kProblem) problems.push_back(line.text);
    }
    EXPECT_EQ(problems, c.problems);
  }
}

// A file too short to hold a header is no package: nothing is unpacked, not even a folder.
// Sixty-four zero bytes are a header, but no package's.
TEST_F(ExtractTest, ShortFilesUnpackNothing) {
  for (const std::size_t size : {0, 1, 63}) {
    SCOPED_TRACE(size);
    testing::WriteFile(package_path(), Bytes(size));
    testing::RecordingLog log;
    Joined<TExtract> worker(log, package_path());
    testing::RunToEnd(worker);
    EXPECT_EQ(worker.result(), JobResult::kNotOpened);
    EXPECT_FALSE(testing::Exists(out()));
    EXPECT_EQ(log.texts(), (std::vector<std::string>{Text(text::kNotAPackage, package_path()) +
                                                     ": the file is shorter than a header"}));
  }
  EXPECT_EQ(Unpack(Bytes(64)), JobResult::kProblems);
  EXPECT_TRUE(testing::ListFilesRecursively(out()).empty());
  EXPECT_EQ(log_.texts(),
            (std::vector<std::string>{Text(text::kHeaderTextsWrong), Text(text::kLengthMismatch),
                                      Text(text::kRecordsWrong, ": 0 entries; no end marker"),
                                      Text(text::kUnpackProblems, "3")}));
}

// Whether the root is the default or chosen, nothing is made for a package that did not open.
TEST_F(ExtractTest, PackageThatCannotBeOpenedShowsTheMessageAndMakesNoRoot) {
  for (const std::string& root : {std::string(), dir_ / "a/b/c"}) {
    testing::RecordingLog log;
    Joined<TExtract> worker(log, dir_ / "missing.hxf", TExtract::Settings{root});
    testing::RunToEnd(worker);
    EXPECT_EQ(worker.result(), JobResult::kNotOpened);
    EXPECT_TRUE(log.texts().empty());
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].text, text::kOpenFailed);
    EXPECT_EQ(log.messages()[0].caption, text::kErrorCaption);
    EXPECT_NE(log.messages()[0].detail.find("missing.hxf"), std::string::npos);
    EXPECT_EQ(testing::ListFilesRecursively(dir_.path()), std::vector<std::string>()) << root;
    EXPECT_FALSE(testing::Exists(dir_ / "a")) << root;
    EXPECT_FALSE(testing::Exists(out())) << root;
  }
}

TEST_F(ExtractTest, PackageHeldByAnotherJobCannotBeOpened) {
  testing::WriteFile(package_path(), BuildPackage({{"a.txt", "abc"}}));
  Result<std::unique_ptr<InputFile>> held = SystemFileSystem().OpenForReading(package_path());
  ASSERT_TRUE(held.ok());
  Joined<TExtract> worker(log_, package_path());
  testing::RunToEnd(worker);
  EXPECT_EQ(worker.result(), JobResult::kNotOpened);
  EXPECT_EQ(log_.messages().size(), 1u);
}

TEST_F(ExtractTest, GbkNamesBecomeUtf8Paths) {
  const std::string chinese_dir = "\xD6\xD0\xCE\xC4";  // 中文
  const std::string trail_5c = "\x81\x5C.bin";         // 乗.bin, second byte 0x5C
  EXPECT_EQ(Unpack(BuildPackage({{chinese_dir + "\\" + trail_5c, "x"}})), JobResult::kSucceeded);
  EXPECT_EQ(testing::ListFilesRecursively(out()), std::vector<std::string>{"中文/乗.bin"});
}

TEST_F(ExtractTest, RawNamesKeepTheirBytes) {
  EXPECT_EQ(Unpack(BuildPackage({{"\xD6\xD0\\a.bin", "x"}}), NameEncoding::kRaw),
            JobResult::kSucceeded);
  EXPECT_EQ(ReadFile(out("\xD6\xD0/a.bin")), ToBytes("x"));
}

TEST_F(ExtractTest, TwoWorkersAtOnce) {
  testing::WriteFile(dir_ / "one/fw.hxf", BuildPackage({{"a.bin", std::string(300000, 'a')}}));
  testing::WriteFile(dir_ / "two/fw.hxf", BuildPackage({{"b.bin", std::string(300000, 'b')}}));
  Joined<TExtract> first(log_, dir_ / "one/fw.hxf");
  Joined<TExtract> second(log_, dir_ / "two/fw.hxf");
  first.Resume();
  second.Resume();
  first.WaitFor();
  second.WaitFor();
  EXPECT_EQ(ReadFile(dir_ / "one/out_hxf/a.bin"), ToBytes(std::string(300000, 'a')));
  EXPECT_EQ(ReadFile(dir_ / "two/out_hxf/b.bin"), ToBytes(std::string(300000, 'b')));
  EXPECT_EQ(log_.texts(), (std::vector<std::string>(2, Text(text::kUnpackDone))));
}

}  // namespace
}  // namespace hxf
