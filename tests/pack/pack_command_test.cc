#include "tests/pack/pack_command_test.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace hxf
