#include "pack/entry_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hxf {
namespace {

TEST(EntryOrder, ComponentsSplitAtBackslashesButNotInsideAGbkCharacter) {
  struct Case {
    std::string name;
    NameEncoding encoding;
    std::vector<std::string_view> components;
  };
  const Case cases[] = {
      {"a", NameEncoding::kGbk, {"a"}},
      {"SYSTEM\\FONT\\a.bin", NameEncoding::kGbk, {"SYSTEM", "FONT", "a.bin"}},
      // 0x955C is one GBK character whose trail byte is a backslash.
      {"\x95\x5C\\x", NameEncoding::kGbk, {"\x95\x5C", "x"}},
      {"\x95\x5C\\x", NameEncoding::kRaw, {"\x95", "", "x"}},
      {"\xD6\xD0\\\xCE\xC4", NameEncoding::kGbk, {"\xD6\xD0", "\xCE\xC4"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackageNameComponents(c.name, c.encoding), c.components) << c.name;
  }
}

TEST(EntryOrder, FolderRecordsComeAtTheFoldersSortedPlace) {
  struct Case {
    std::string a;
    std::string b;
    bool before;  // a before b, and so not b before a
  };
  const Case cases[] = {
      {"a\\x", "a.b", true},  // plain byte order puts '.' (0x2E) below '\' (0x5C)
      {"A\\x.bin", "b.bin", true},
      {"b.bin", "c\\a", true},
      {"Font", "font2\\a", true},
      {"SYSTEM\\z", "system2", true},
      {"z", "\xD6\xD0\\a", true},          // GBK after ASCII
      {"\xFF\\a", "\x01", true},           // 0xFF below every other byte
      {"\x95\x5C\\x", "\x95\x5Cz", true},  // the folder's name is the whole character
      {"d\\a\\z", "d\\b", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EntryBefore(c.a, c.b, NameEncoding::kGbk), c.before) << c.a << " " << c.b;
    EXPECT_EQ(EntryBefore(c.b, c.a, NameEncoding::kGbk), !c.before) << c.b << " " << c.a;
  }
  // Equal but for case: in no order.
  EXPECT_FALSE(EntryBefore("SYSTEM\\a", "system\\A", NameEncoding::kGbk));
  EXPECT_FALSE(EntryBefore("system\\A", "SYSTEM\\a", NameEncoding::kGbk));
}

}  // namespace
}  // namespace hxf
