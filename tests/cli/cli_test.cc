// The `hxf` program as a user's script runs it: arguments in, exit status and text out.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "core/log_texts.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/support/run_command.h"

namespace hxf {
namespace {

using testing::Bytes;
using testing::CommandResult;
using testing::ReadFile;
using testing::TempDir;
using testing::ToBytes;

const Bytes kExample =
    testing::BuildPackage({{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}});

class CliTest : public ::testing::Test {
 protected:
  CliTest() { testing::WriteFile(package(), kExample); }

  CommandResult Hxf(const std::vector<std::string>& arguments) {
    return testing::RunCommand(HXF_BINARY, arguments, dir_.path());
  }
  std::string package() const { return dir_ / "fw.hxf"; }

  TempDir dir_;
};

TEST_F(CliTest, UnpackWritesBesideThePackageAndPrintsTheFinalLine) {
  CommandResult result = Hxf({"unpack", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err, std::string(text::kUnpackDone) + "\n");
  EXPECT_TRUE(result.out.empty());
  EXPECT_EQ(ReadFile(dir_ / "out_hxf/sub/b.bin"), ToBytes("\x01\x02\x03\x04\x05"));
  EXPECT_TRUE(testing::Exists(dir_ / "out_hxf/z.txt"));
}

TEST_F(CliTest, UnpackIntoAChosenDirectory) {
  CommandResult result = Hxf({"unpack", package(), "-C", dir_ / "elsewhere/deep", "-q"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_TRUE(result.err.empty());  // quiet: nothing but problems
  EXPECT_TRUE(testing::Exists(dir_ / "elsewhere/deep/sub/b.bin"));
  EXPECT_FALSE(testing::Exists(dir_ / "out_hxf"));
}

TEST_F(CliTest, ProblemsGiveExitStatusOneAndNameTheFile) {
  testing::WriteFile(package(), testing::BuildPackage({{"..\\evil", "x"}, {"ok", "y"}}));
  CommandResult result = Hxf({"unpack", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find(std::string(text::kUnsafeName) + "..\\evil"), std::string::npos);
  EXPECT_TRUE(testing::Exists(dir_ / "out_hxf/ok"));
}

TEST_F(CliTest, AMissingPackageGivesExitStatusTwo) {
  for (const char* command : {"unpack", "list", "verify"}) {
    CommandResult result = Hxf({command, "missing.hxf"});
    EXPECT_EQ(result.exit_status, 2) << command;
    EXPECT_NE(result.err.find("missing.hxf"), std::string::npos) << command;
    EXPECT_NE(result.err.find("No such file"), std::string::npos) << command;
  }
}

TEST_F(CliTest, ListShowsLengthAndNameInPackageOrder) {
  CommandResult result = Hxf({"list", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, "         5  sub\\b.bin\n         0  z.txt\n");
}

TEST_F(CliTest, VerifyPassesAGoodPackageAndFailsAnyFlippedBodyByte) {
  CommandResult good = Hxf({"verify", "fw.hxf"});
  EXPECT_EQ(good.exit_status, 0) << good.out;
  EXPECT_NE(good.out.find("fw.hxf: ok"), std::string::npos);

  for (std::size_t at = 64; at < kExample.size(); ++at) {
    Bytes flipped = kExample;
    flipped[at] ^= std::byte{0x01};
    testing::WriteFile(package(), flipped);
    CommandResult bad = Hxf({"verify", "fw.hxf"});
    EXPECT_EQ(bad.exit_status, 1) << "byte " << at;
    EXPECT_NE(bad.out.find("FAILED"), std::string::npos) << "byte " << at;
  }
}

TEST_F(CliTest, VerifyReportsWhatItFound) {
  struct Case {
    std::string name;
    Bytes package;
    std::string expected;
  };
  Bytes wrong_length = kExample;
  wrong_length[20] = std::byte{0x10};
  Bytes wrong_text = kExample;
  wrong_text[0] = std::byte{'X'};
  Bytes trailing = kExample;
  trailing.push_back(std::byte{0});
  const Case cases[] = {
      {"length field", wrong_length, "length        FAILED header says 16, file has 105"},
      {"header text", wrong_text, "header texts  FAILED"},
      {"truncated", Bytes(kExample.begin(), kExample.begin() + 90), "the file ends inside"},
      {"trailing bytes", trailing, "bytes after the end marker"},
  };
  for (const Case& c : cases) {
    testing::WriteFile(package(), c.package);
    CommandResult result = Hxf({"verify", "fw.hxf"});
    EXPECT_EQ(result.exit_status, 1) << c.name;
    EXPECT_NE(result.out.find(c.expected), std::string::npos) << c.name << ":\n" << result.out;
  }
}

TEST_F(CliTest, UsageErrorsGiveExitStatusTwo) {
  const std::vector<std::vector<std::string>> usages = {
      {}, {"bogus"}, {"unpack"}, {"unpack", "fw.hxf", "--names", "latin1"}, {"list", "a", "b"}};
  for (const auto& arguments : usages) {
    CommandResult result = Hxf(arguments);
    EXPECT_EQ(result.exit_status, 2) << ::testing::PrintToString(arguments);
    EXPECT_FALSE(result.err.empty());
  }
  EXPECT_EQ(Hxf({"--help"}).exit_status, 0);
  CommandResult version = Hxf({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out.rfind("hxf ", 0), 0u);
}

TEST_F(CliTest, NameConversionCanBeTurnedOff) {
  testing::WriteFile(package(), testing::BuildPackage({{"\xD6\xD0.txt", "x"}}));
  EXPECT_EQ(Hxf({"unpack", "fw.hxf", "-C", "gbk"}).exit_status, 0);
  EXPECT_EQ(Hxf({"--names", "raw", "unpack", "fw.hxf", "-C", "raw"}).exit_status, 0);
  EXPECT_TRUE(testing::Exists(dir_ / "gbk/中.txt"));
  EXPECT_TRUE(testing::Exists(dir_ / "raw/\xD6\xD0.txt"));
  EXPECT_EQ(Hxf({"list", "fw.hxf"}).out, "         1  中.txt\n");
}

TEST_F(CliTest, VerboseShowsEveryLineAndNoProgressWithoutATerminal) {
  CommandResult result = Hxf({"-v", "unpack", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, std::string(text::kUnpackDone) + "\n");
}

// Unpacking streams: the peak memory stays near the copy buffer whatever the package's size.
TEST_F(CliTest, UnpackingALargePackageUsesLittleMemory) {
  constexpr std::uint32_t kDataSize = 256u << 20;
  Bytes start = testing::Concat({testing::Header(0, 0), testing::U32(5), ToBytes("a.bin"),
                                 Bytes{std::byte{0x20}}, testing::U32(kDataSize)});
  testing::WriteFile(package(), start);
  // The data and end marker as a hole: zeros that take no disk space to write.
  ASSERT_EQ(::truncate(package().c_str(), static_cast<off_t>(start.size() + kDataSize + 4)), 0);

  CommandResult result = Hxf({"unpack", "fw.hxf", "-q"});
  EXPECT_EQ(result.exit_status, 1);  // the header of this hand-made package is left wrong
  struct rusage usage {};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 32 * 1024) << "peak KiB of the largest child so far";
  EXPECT_EQ(std::filesystem::file_size(dir_ / "out_hxf/a.bin"), kDataSize);
}

}  // namespace
}  // namespace hxf
