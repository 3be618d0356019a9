// Each file-system operation a pack or an unpack performs is made to fail in turn, with a full
// disk, an I/O error or a refused permission. Whichever fails, the job must say so in its log,
// must not report success, must leave the previous package byte for byte as it was (or, when it
// could go on and finish, a whole new one), must leave no temporary file, and must leave no file
// under its final name that is not whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/log_texts.h"
#include "pack/package.h"
#include "tests/reliability/reliability_support.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/support/recording_log.h"
#include "unpack/extract.h"

namespace hxf::testing {
namespace {

constexpr Status::Code kCodes[] = {Status::Code::kNoSpace, Status::Code::kIoError,
                                   Status::Code::kPermission};

std::string Describe(Operation operation, std::size_t nth, Status::Code code) {
  return std::string(OperationName(operation)) + " #" + std::to_string(nth) + " fails with " +
         FaultReason(code);
}

// A tree with nested directories, an empty file and a file larger than the pack's copy buffer
// and the writer's gathering, so that every kind of operation happens more than once.
void MakeTree(const std::string& root) {
  WriteFile(root + "/a.txt", "alpha");
  WriteFile(root + "/SYSTEM/FONT/font.bin", std::string(300 * 1024, 'f'));
  WriteFile(root + "/SYSTEM/b.bin", "\x01\x02\x03");
  WriteFile(root + "/empty.txt", "");
  WriteFile(root + "/z/y/x.txt", "deep");
}

class PackFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeTree(dir_ / "in_hxf");
    WriteFile(package_, old_package_);
  }

  JobResult Pack(FileSystem& file_system, RecordingLog& log) {
    Joined<TPackage> job(log, package_, TPackage::Settings{}, file_system);
    RunToEnd(job);
    return job.result();
  }

  TempDir dir_;
  const std::string package_ = dir_ / "fw.hxf";
  const Bytes old_package_ = BuildPackage({{"old.bin", "the previous package"}});
};

TEST_F(PackFaults, EachFailingOperationLeavesThePreviousPackageOrAWholeNewOne) {
  FaultyFileSystem counting;
  RecordingLog clean_log;
  ASSERT_EQ(Pack(counting, clean_log), JobResult::kSucceeded);
  const Bytes new_package = ReadFile(package_);
  ASSERT_TRUE(ReadPackage(new_package).whole);
  std::map<Operation, std::size_t> counts;
  for (Operation operation : kAllOperations) counts[operation] = counting.Count(operation);
  ASSERT_GE(counts[Operation::kWrite], 2u);
  ASSERT_GE(counts[Operation::kRead], 2u);

  std::size_t cases = 0;
  for (Operation operation : kAllOperations) {
    for (std::size_t nth = 1; nth <= counts[operation]; ++nth) {
      const Status::Code code = kCodes[(nth + cases) % std::size(kCodes)];
      SCOPED_TRACE(Describe(operation, nth, code));
      WriteFile(package_, old_package_);
      FaultyFileSystem faults;
      faults.FailNth(operation, nth, code);
      RecordingLog log;
      const JobResult result = Pack(faults, log);
      ++cases;

      ASSERT_TRUE(faults.Fired());
      const Bytes now = ReadFile(package_);
      if (result == JobResult::kSucceeded) {
        // Only the count of the tree's sizes made before packing may meet a fault and go on:
        // it counts the least the package takes, and the packing itself reads everything again.
        // What it made must then be exactly the package of a clean run.
        EXPECT_EQ(now, new_package);
        EXPECT_FALSE(HasProblemLine(log.lines()));
        EXPECT_TRUE(operation == Operation::kOpen || operation == Operation::kList)
            << "a fault the packing itself met went unnoticed";
        EXPECT_EQ(TemporaryFilesUnder(dir_.path()), std::vector<std::string>());
        continue;
      }
      EXPECT_TRUE(HasProblemLine(log.lines()));
      if (result == JobResult::kProblems) {
        // The job could leave the failing file out and finish: the package is whole and new.
        EXPECT_TRUE(ReadPackage(now).whole);
        EXPECT_NE(now, old_package_);
      } else {
        EXPECT_EQ(now, old_package_);
        EXPECT_TRUE(AnyLineContains(log.lines(), FaultReason(code)));
      }
      EXPECT_EQ(TemporaryFilesUnder(dir_.path()), std::vector<std::string>());
    }
  }
  RecordProperty("cases", static_cast<int>(cases));
  std::printf("pack: %zu injected faults\n", cases);
}

class UnpackFaults : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(package_, package_bytes_); }

  // A fresh unpack root holding an older a.txt, which a failed job must not cut short either.
  void ResetRoot() {
    std::filesystem::remove_all(root_);
    WriteFile(root_ + "/a.txt", "older a.txt");
  }

  JobResult Unpack(FileSystem& file_system, RecordingLog& log) {
    Joined<TExtract> job(log, package_, TExtract::Settings{.unpack_root = root_}, file_system);
    RunToEnd(job);
    return job.result();
  }

  const std::vector<TestEntry> entries_ = {
      {"a.txt", "alpha"},
      {"SYSTEM\\FONT\\font.bin", std::string(2 * 1024000 + 5, 'f')},  // three reads
      {"SYSTEM\\b.bin", "\x01\x02\x03"},
      {"empty.txt", ""},
      {"z\\y\\x.txt", "deep"},
  };
  TempDir dir_;
  const std::string package_ = dir_ / "fw.hxf";
  const std::string root_ = dir_ / "out";
  const Bytes package_bytes_ = BuildPackage(entries_);
};

TEST_F(UnpackFaults, EachFailingOperationIsReportedAndLeavesOnlyWholeFiles) {
  AllowedContents allowed = ContentsOf(entries_);
  allowed["a.txt"].insert("older a.txt");

  FaultyFileSystem counting;
  RecordingLog clean_log;
  ResetRoot();
  ASSERT_EQ(Unpack(counting, clean_log), JobResult::kSucceeded);
  std::map<Operation, std::size_t> counts;
  for (Operation operation : kAllOperations) counts[operation] = counting.Count(operation);
  ASSERT_GE(counts[Operation::kRead], 3u);
  ASSERT_GE(counts[Operation::kCommit], entries_.size());

  std::size_t cases = 0;
  for (Operation operation : kAllOperations) {
    for (std::size_t nth = 1; nth <= counts[operation]; ++nth) {
      const Status::Code code = kCodes[(nth + cases) % std::size(kCodes)];
      SCOPED_TRACE(Describe(operation, nth, code));
      ResetRoot();
      FaultyFileSystem faults;
      faults.FailNth(operation, nth, code);
      RecordingLog log;
      const JobResult result = Unpack(faults, log);
      ++cases;

      ASSERT_TRUE(faults.Fired());
      EXPECT_NE(result, JobResult::kSucceeded);
      if (result == JobResult::kNotOpened) {
        // The package itself could not be opened: the job says so in its message, not the log.
        ASSERT_EQ(log.messages().size(), 1u);
        EXPECT_NE(log.messages()[0].detail.find(FaultReason(code)), std::string::npos);
      } else {
        EXPECT_TRUE(HasProblemLine(log.lines()));
        EXPECT_TRUE(AnyLineContains(log.lines(), FaultReason(code)));
      }
      if (operation == Operation::kWrite || operation == Operation::kCommit) {
        // The file being written is lost, and the log says so: an earlier file stays.
        EXPECT_TRUE(AnyLineContains(log.lines(), std::string(text::kNotWrittenKept)));
      }
      EXPECT_EQ(ReadFile(package_), package_bytes_);
      EXPECT_EQ(FilesNotAllowed(root_, allowed), std::vector<std::string>());
      EXPECT_EQ(TemporaryFilesUnder(dir_.path()), std::vector<std::string>());
    }
  }
  std::printf("unpack: %zu injected faults\n", cases);
}

}  // namespace
}  // namespace hxf::testing
