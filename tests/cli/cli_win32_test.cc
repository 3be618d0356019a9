// The program on Windows: arguments arrive as UTF-16 and must reach the files as the same names;
// output that is redirected is UTF-8.
#include <gtest/gtest.h>

#include "core/log_texts.h"
#include "tests/cli/cli_test.h"

namespace hxf {
namespace {

using testing::CommandResult;
using testing::ReadFile;
using testing::ToBytes;

TEST_F(CliTest, ChineseArgumentsNameTheSameFiles) {
  const std::string package = "\xE5\x9B\xBA\xE4\xBB\xB6.hxf";  // 固件.hxf
  const std::string folder = "\xE8\xA7\xA3\xE5\x8C\x85";       // 解包
  const std::string entry = "\xD6\xD0.txt";                    // 中.txt in GBK
  testing::WriteFile(dir_ / package, testing::BuildPackage({{entry, "x"}}));
  CommandResult unpacked = Hxf({"unpack", package, "-C", folder});
  EXPECT_EQ(unpacked.exit_status, 0) << unpacked.err;
  EXPECT_EQ(ReadFile(dir_ / folder + "/\xE4\xB8\xAD.txt"), ToBytes("x"));

  CommandResult listed = Hxf({"list", package});
  EXPECT_EQ(listed.exit_status, 0) << listed.err;
  EXPECT_EQ(listed.out, "         1  \xE4\xB8\xAD.txt\n");  // UTF-8 when redirected

  CommandResult packed = Hxf({"-q", "pack", "again.hxf", "-C", folder});
  EXPECT_EQ(packed.exit_status, 0) << packed.err;
  EXPECT_EQ(ReadFile(dir_ / "again.hxf"), ReadFile(dir_ / package));
}

TEST_F(CliTest, AMissingChinesePackageIsNamedInTheError) {
  const std::string missing = "\xE6\xB2\xA1\xE6\x9C\x89.hxf";  // 没有.hxf
  CommandResult result = Hxf({"unpack", missing});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find(missing), std::string::npos) << result.err;
}

}  // namespace
}  // namespace hxf
