#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/log_texts.h"
#include "core/package_format.h"
#include "tests/pack/pack_test_support.h"
#include "tests/support/run_command.h"

namespace hxf {
namespace {

using testing::CommandResult;
using ::testing::HasSubstr;
using testing::ReadFile;
using testing::WriteFile;

std::string Text(std::string_view text, std::string_view subject = "") {
  return std::string(text) + std::string(subject);
}

class PackCommandTest : public ::testing::Test {
 protected:
  PackCommandTest() { WriteFile(dir_ / "in_hxf/a.txt", "abc"); }

  CommandResult Hxf(const std::vector<std::string>& arguments) {
    return testing::RunCommand(HXF_BINARY, arguments, dir_.path());
  }

  testing::TempDir dir_;
  const testing::Bytes a_txt_package = testing::BuildPackage({{"a.txt", "abc"}});
};

TEST_F(PackCommandTest, PacksInHxfBesideThePackage) {
  const CommandResult result = Hxf({"pack", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, Text(text::kFileClosed) + "\n");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(ReadFile(dir_ / "fw.hxf"), a_txt_package);
}

TEST_F(PackCommandTest, VerbosityChoosesTheLinesShown) {
  EXPECT_EQ(Hxf({"pack", "-q", "fw.hxf"}).err, "");
  EXPECT_EQ(Hxf({"-v", "pack", "fw.hxf"}).err,
            "Addingfw.hxf" + Text(text::kPack) + "\nAddinga.txt" + Text(text::kPack) + "\n" +
                Text(text::kPackingDone) + "\n" + Text(text::kFileClosed) + "\n");
}

TEST_F(PackCommandTest, PacksTheDirectoryGivenWithDashC) {
  WriteFile(dir_ / "tree/sub/b.bin", "\x01\x02\x03\x04\x05");
  WriteFile(dir_ / "tree/z.txt", "");
  std::filesystem::create_directories(dir_ / "out");
  EXPECT_EQ(Hxf({"pack", "out/fw.hxf", "-C", "tree"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir_ / "out/fw.hxf"),
            testing::BuildPackage({{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}}));
}

TEST_F(PackCommandTest, RawNamesKeepTheHostBytes) {
  WriteFile(dir_ / "in_hxf/中.txt", "x");
  EXPECT_EQ(Hxf({"pack", "--names", "raw", "fw.hxf"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir_ / "fw.hxf"),
            testing::BuildPackage({{"a.txt", "abc"}, {"\xE4\xB8\xAD.txt", "x"}}));
  EXPECT_EQ(Hxf({"pack", "fw.hxf"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir_ / "fw.hxf"),
            testing::BuildPackage({{"a.txt", "abc"}, {"\xD6\xD0.txt", "x"}}));
}

TEST_F(PackCommandTest, ExitStatusTellsProblemsFromFailures) {
  WriteFile(dir_ / "in_hxf/bad\\name", "x");
  CommandResult result = Hxf({"pack", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_THAT(result.err, HasSubstr(Text(text::kNameHasBackslash, "bad\\name") + "\n"));
  EXPECT_EQ(ReadFile(dir_ / "fw.hxf"), a_txt_package);

  std::filesystem::create_directory(dir_ / "taken.hxf");
  result = Hxf({"pack", "taken.hxf"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_THAT(result.err, HasSubstr(Text(text::kCannotCreatePackage, "taken.hxf: ")));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "taken.hxf"));

  result = Hxf({"pack", "missing/fw.hxf"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_THAT(result.err, HasSubstr(Text(text::kCannotCreatePackage, "missing/fw.hxf: ")));

  EXPECT_EQ(Hxf({"pack"}).exit_status, 2);  // no package named
}

// Packing streams: a large file passes through a fixed buffer, so the program's peak memory
// stays far below the file's size.
TEST_F(PackCommandTest, PeakMemoryStaysFarBelowTheSizeOfAFilePacked) {
  constexpr std::uint64_t kFileSize = 256ull << 20;
  testing::MakeSparseFile(dir_ / "in_hxf/big.bin", kFileSize);
  // Measured in a child of its own, so that only this run of hxf counts.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const CommandResult result = Hxf({"pack", "fw.hxf"});
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const long peak_mib = usage.ru_maxrss / 1024;  // ru_maxrss is in KiB
    ::_exit(result.exit_status != 0 ? 255 : static_cast<int>(std::min(peak_mib, 254L)));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(WEXITSTATUS(status), 255) << "hxf pack failed";
  EXPECT_LT(WEXITSTATUS(status), 32) << "peak memory in MiB";
  EXPECT_EQ(std::filesystem::file_size(dir_ / "fw.hxf"),
            format::kEmptyPackageSize + (format::kRecordOverhead + 5 + 3) +
                (format::kRecordOverhead + 7 + kFileSize));
}

}  // namespace
}  // namespace hxf
