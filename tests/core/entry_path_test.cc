#include "core/entry_path.h"

#include <gtest/gtest.h>

namespace hxf {
namespace {

TEST(SplitEntryName, SplitsAtBackslashes) {
  struct Case {
    std::string name;
    std::vector<std::string> components;
  };
  const Case cases[] = {
      {"a.bin", {"a.bin"}},
      {"SYSTEM\\FONT\\a.bin", {"SYSTEM", "FONT", "a.bin"}},
      {"..a\\b..", {"..a", "b.."}},  // dots inside a name are harmless
      {"中文\\乗.bin", {"中文", "乗.bin"}},
  };
  for (const Case& c : cases) {
    Result<std::vector<std::string>> split = SplitEntryName(c.name);
    ASSERT_TRUE(split.ok()) << c.name;
    EXPECT_EQ(*split, c.components) << c.name;
    EXPECT_EQ(JoinEntryName(*split), c.name);
  }
}

TEST(SplitEntryName, RefusesNamesThatLeaveTheRoot) {
  const std::string refused[] = {
      "",
      "..",
      "..\\evil",
      "a\\..\\..\\evil",
      ".\\a",
      "\\abs",         // leading separator
      "a\\",           // trailing separator
      "a\\\\b",        // empty component
      "C:\\evil",      // drive letter
      "C:evil",        // drive-relative
      "a:stream",      // any colon
      "a/../../evil",  // the host's separator
      "/etc/passwd",
      std::string("a\0b", 3),  // cut short by a zero byte
      "a\nb",
      "a\x1b[2Jb",
      "a\x7f",
  };
  for (const std::string& name : refused) {
    Result<std::vector<std::string>> split = SplitEntryName(name);
    EXPECT_FALSE(split.ok()) << "accepted: " << name;
    EXPECT_EQ(split.status().code(), Status::Code::kInvalidArgument);
  }
}

}  // namespace
}  // namespace hxf
