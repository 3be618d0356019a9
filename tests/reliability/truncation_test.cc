// Every package cut at every length is unpacked cleanly: the job ends (no crash, no hang), says
// what is wrong, and leaves no file under its final name that holds less than its record said.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/reliability/reliability_support.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/support/recording_log.h"
#include "unpack/extract.h"

namespace hxf::testing {
namespace {

struct Sample {
  const char* label;
  std::vector<TestEntry> entries;
  // How the whole package unpacks: a name given twice is told, though both are written.
  JobResult whole = JobResult::kSucceeded;
};

std::vector<Sample> Samples() {
  return {
      {"empty", {}},
      {"one file", {{"a.txt", "abc"}}},
      {"tree",
       {{"SYSTEM\\FONT\\a.bin", std::string(300, 'f')},
        {"SYSTEM\\b.bin", "\x01\x02\x03\x04\x05"},
        {"empty.txt", ""},
        {"z.txt", "zz"}}},
      {"same name twice", {{"a", "first"}, {"a", "second, longer"}}, JobResult::kProblems},
  };
}

void PrintTo(const Sample& sample, std::ostream* out) {
  *out << sample.label;
}

class TruncationSweep : public ::testing::TestWithParam<Sample> {};

TEST_P(TruncationSweep, EveryCutIsReportedAndLeavesOnlyWholeFiles) {
  const Bytes package = BuildPackage(GetParam().entries);
  const AllowedContents whole_files = ContentsOf(GetParam().entries);
  TempDir dir;
  for (std::size_t length = 0; length <= package.size(); ++length) {
    SCOPED_TRACE("cut at " + std::to_string(length) + " of " + std::to_string(package.size()));
    WriteFile(dir / "cut.hxf", Bytes(package.begin(), package.begin() + length));
    std::filesystem::remove_all(dir / "out");

    RecordingLog log;
    Joined<TExtract> job(log, dir / "cut.hxf", TExtract::Settings{.unpack_root = dir / "out"});
    RunToEnd(job);

    if (length == package.size()) {
      EXPECT_EQ(job.result(), GetParam().whole);
    } else {
      EXPECT_NE(job.result(), JobResult::kSucceeded);
      EXPECT_TRUE(HasProblemLine(log.lines()));
    }
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(FilesNotAllowed(dir / "out", whole_files), std::vector<std::string>());
    EXPECT_EQ(TemporaryFilesUnder(dir.path()), std::vector<std::string>());
  }
}

INSTANTIATE_TEST_SUITE_P(Packages, TruncationSweep, ::testing::ValuesIn(Samples()),
                         [](const auto& info) {
                           std::string name = info.param.label;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

// A record whose data spans more than one read of the unpacker's buffer, cut inside its second
// chunk and at the chunk boundary: the partly written file must not survive.
TEST(TruncationSweep, LargeRecordCutAcrossBufferChunksLeavesNoFile) {
  const std::string big(2 * 1024000 + 17, 'b');
  const Bytes package = BuildPackage({{"big.bin", big}, {"after.txt", "x"}});
  const std::size_t data_start = 64 + 9 + 7;
  TempDir dir;
  for (std::size_t length : {data_start + 1, data_start + 1024000, data_start + 1024001,
                             data_start + big.size() - 1, data_start + big.size()}) {
    SCOPED_TRACE("cut at " + std::to_string(length));
    WriteFile(dir / "cut.hxf", Bytes(package.begin(), package.begin() + length));
    std::filesystem::remove_all(dir / "out");
    RecordingLog log;
    Joined<TExtract> job(log, dir / "cut.hxf", TExtract::Settings{.unpack_root = dir / "out"});
    RunToEnd(job);
    EXPECT_NE(job.result(), JobResult::kSucceeded);
    const std::vector<std::string> files = ListFilesRecursively(dir / "out");
    if (length < data_start + big.size()) {
      EXPECT_EQ(files, std::vector<std::string>());
    } else {
      EXPECT_EQ(files, std::vector<std::string>{"big.bin"});
      EXPECT_EQ(ReadFile(dir / "out/big.bin").size(), big.size());
    }
  }
}

}  // namespace
}  // namespace hxf::testing
