// Eight jobs at once on one package: all packing onto it, all unpacking it, or half of each; as
// threads of one process sharing one log, and as separate `hxf` processes sharing one standard
// error. After every round: nothing crashed, every log line is whole, the package is a whole one
// (the one before the round, or one of the two trees the packers packed), every unpacked file is
// whole, and no finished job left a temporary file.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "core/log_texts.h"
#include "pack/package.h"
#include "tests/reliability/reliability_support.h"
#include "tests/support/files.h"
#include "tests/support/recording_log.h"
#include "tests/support/run_command.h"
#include "unpack/extract.h"

namespace hxf::testing {
namespace {

namespace fs = std::filesystem;

// Texts that make up a line on their own.
constexpr std::array kWholeLineTexts = {
    text::kPackingDone,    text::kFileClosed,       text::kUnpackDone, text::kBadNameLength,
    text::kLengthMismatch, text::kChecksumMismatch, text::kCancelled,
};
// Texts joined with the name, path or reason they concern.
constexpr std::array kLeadingTexts = {
    text::kFileError,           text::kCannotCreatePackage,
    text::kWriteFailed,         text::kFileShrank,
    text::kNameTooLong,         text::kNameHasBackslash,
    text::kNameNotEncodable,    text::kFileTooLarge,
    text::kPackageTooLarge,     text::kLinkLoop,
    text::kSpecialFile,         text::kFileReadFailed,
    text::kCannotReadDirectory, text::kNameNotAllowed,
    text::kLinkOutside,         text::kNothingToPackKept,
    text::kPackIncomplete,      text::kPackProblems,
    text::kUnsafeName,          text::kBadNameLengthAt,
    text::kTruncatedAt,         text::kNotWrittenKept,
    text::kUnpackIncomplete,    text::kUnpackProblems,
    text::kCannotCreateFile,    text::kCannotCreateDirectory,
    text::kReadFailed,          text::kInternalError,
};

// A line two writers tore apart, or glued together, does not have one of the shapes lines have.
bool IsWholeLine(std::string_view line) {
  auto holds_another_line = [](std::string_view rest) {
    if (rest.find(text::kAdding) != std::string_view::npos) return true;
    for (std::string_view whole : kWholeLineTexts) {
      if (rest.find(whole) != std::string_view::npos) return true;
    }
    return rest.find('\r') != std::string_view::npos || rest.find('\n') != std::string_view::npos;
  };
  for (std::string_view whole : kWholeLineTexts) {
    if (line == whole) return true;
  }
  if (line.starts_with(text::kAdding)) {
    return line.ends_with(text::kPack) && !holds_another_line(line.substr(text::kAdding.size()));
  }
  if (line.starts_with("hxf: ")) return !holds_another_line(line.substr(5));
  for (std::string_view leading : kLeadingTexts) {
    if (line.starts_with(leading)) return !holds_another_line(line.substr(leading.size()));
  }
  return false;
}

class Concurrency : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeTree(trees_[0], 6, 8 * 1024, 11);
    MakeTree(trees_[1], 7, 9 * 1024, 12);
    for (int t = 0; t < 2; ++t) {
      RecordingLog log;
      Joined<TPackage> job(log, package_, TPackage::Settings{trees_[t]});
      RunToEnd(job);
      ASSERT_EQ(job.result(), JobResult::kSucceeded);
      packages_[t] = ReadFile(package_);
      const PackageContents contents = ReadPackage(packages_[t]);
      ASSERT_TRUE(contents.whole);
      for (auto& [path, data] : ContentsOf(contents.entries)) {
        allowed_[path].insert(data.begin(), data.end());
      }
    }
  }

  // The checks that close every round.
  void CheckAfterRound() {
    const Bytes now = ReadFile(package_);
    EXPECT_TRUE(now == packages_[0] || now == packages_[1]);
    EXPECT_EQ(TemporaryFilesUnder(dir_.path()), std::vector<std::string>());
    EXPECT_EQ(FilesNotAllowed(out_, allowed_), std::vector<std::string>());
  }

  TempDir dir_;
  const std::string trees_[2] = {dir_ / "tree-a", dir_ / "tree-b"};
  const std::string package_ = dir_ / "fw.hxf";
  const std::string out_ = dir_ / "out";
  Bytes packages_[2];
  AllowedContents allowed_;
};

struct Mix {
  int packers;
  int unpackers;
};
constexpr Mix kMixes[] = {{8, 0}, {0, 8}, {4, 4}};

TEST_F(Concurrency, EightThreadsAtOnce) {
  constexpr int kRoundsPerMix = 60;
  int rounds = 0;
  std::map<JobResult, int> results;
  for (const Mix& mix : kMixes) {
    for (int round = 0; round < kRoundsPerMix; ++round, ++rounds) {
      SCOPED_TRACE(std::to_string(mix.packers) + " packers, " + std::to_string(mix.unpackers) +
                   " unpackers, round " + std::to_string(round));
      RecordingLog log;  // shared, as the window's log is
      std::vector<std::unique_ptr<Worker>> jobs;
      for (int i = 0; i < mix.packers; ++i) {
        jobs.push_back(
            MakeWorker<TPackage>(log, package_, TPackage::Settings{trees_[(i + round) % 2]}));
      }
      for (int i = 0; i < mix.unpackers; ++i) {
        jobs.push_back(
            MakeWorker<TExtract>(log, package_, TExtract::Settings{.unpack_root = out_}));
      }
      for (auto& job : jobs) job->Resume();
      for (auto& job : jobs) job->WaitFor();

      for (auto& job : jobs) ++results[job->result()];
      for (const std::string& line : log.texts()) EXPECT_TRUE(IsWholeLine(line)) << line;
      CheckAfterRound();
    }
  }
  std::printf("%d rounds of 8 threads: %d succeeded, %d with problems, %d failed, %d not opened\n",
              rounds, results[JobResult::kSucceeded], results[JobResult::kProblems],
              results[JobResult::kFailed], results[JobResult::kNotOpened]);
}

// Source files are held shared while they are read for packing: packers of one tree never make
// each other leave files out.
TEST_F(Concurrency, EightPackersOfOneTreeEachPackEveryFile) {
  MakeTree(dir_ / "shared", 20, 4 * 1024, 13);
  constexpr int kRounds = 20;
  constexpr int kPackers = 8;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RecordingLog log;
    std::vector<std::unique_ptr<TPackage>> jobs;
    for (int i = 0; i < kPackers; ++i) {
      jobs.push_back(MakeWorker<TPackage>(
          log, dir_ / ("new-" + std::to_string(round) + "-" + std::to_string(i) + ".hxf"),
          TPackage::Settings{dir_ / "shared"}));
    }
    for (auto& job : jobs) job->Resume();
    for (auto& job : jobs) job->WaitFor();
    for (const auto& job : jobs) {
      EXPECT_EQ(job->result(), JobResult::kSucceeded);
      const PackageContents contents = ReadPackage(ReadFile(job->PackageFile));
      EXPECT_TRUE(contents.whole);
      EXPECT_EQ(contents.entries.size(), 20u) << job->PackageFile;
    }
  }
}

TEST_F(Concurrency, EightProcessesAtOnce) {
  constexpr int kRoundsPerMix = 8;
  int rounds = 0;
  std::map<int, int> exits;
  for (const Mix& mix : kMixes) {
    for (int round = 0; round < kRoundsPerMix; ++round, ++rounds) {
      SCOPED_TRACE(std::to_string(mix.packers) + " packers, " + std::to_string(mix.unpackers) +
                   " unpackers, round " + std::to_string(round));
      const std::string errors = dir_ / "stderr.txt";
      fs::remove(errors);
      std::vector<pid_t> processes;
      for (int i = 0; i < mix.packers; ++i) {
        processes.push_back(
            Spawn(HXF_BINARY, {"-v", "pack", "-C", trees_[(i + round) % 2], package_}, errors));
      }
      for (int i = 0; i < mix.unpackers; ++i) {
        processes.push_back(Spawn(HXF_BINARY, {"-v", "unpack", "-C", out_, package_}, errors));
      }
      for (pid_t pid : processes) {
        ASSERT_GT(pid, 0);
        const int exit = WaitExit(pid);
        EXPECT_NE(exit, -1);  // not ended by a signal
        ++exits[exit];
      }

      std::istringstream lines(ToString(ReadFile(errors)));
      for (std::string line; std::getline(lines, line);) EXPECT_TRUE(IsWholeLine(line)) << line;
      CheckAfterRound();
    }
  }
  std::printf("%d rounds of 8 processes: exit 0: %d, exit 1: %d, exit 2: %d\n", rounds, exits[0],
              exits[1], exits[2]);
}

}  // namespace
}  // namespace hxf::testing
