#include "core/name_pattern.h"

#include <gtest/gtest.h>

namespace hxf {
namespace {

TEST(NamePattern, PicksEntriesAsTarDoesButIgnoringAsciiCase) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"a.bin", "a.bin", true},
      {"A.BIN", "a.bin", true},  // the players' file systems ignore case
      {"a.bin", "b.bin", false},
      {"SYSTEM/FONT/a.bin", "SYSTEM\\FONT\\a.bin", true},  // either separator
      {"SYSTEM\\FONT\\a.bin", "SYSTEM\\FONT\\a.bin", true},
      {"SYSTEM", "SYSTEM\\FONT\\a.bin", true},  // a folder picks what is below it
      {"SYS", "SYSTEM\\FONT\\a.bin", false},
      {"FONT", "SYSTEM\\FONT\\a.bin", false},  // components from the start only
      {"*.bin", "a.bin", true},
      {"*.bin", "SYSTEM\\a.bin", false},  // `*` stays within one component
      {"*/*.bin", "SYSTEM\\a.bin", true},
      {"**/*.bin", "SYSTEM\\FONT\\a.bin", true},
      {"**/*.bin", "a.bin", true},  // `**` may stand for no component at all
      {"SYSTEM/**/a.bin", "SYSTEM\\a.bin", true},
      {"SYSTEM/**/a.bin", "SYSTEM\\X\\Y\\a.bin", true},
      {"SYSTEM/**/a.bin", "OTHER\\a.bin", false},
      {"?.bin", "a.bin", true},
      {"?.bin", "ab.bin", false},
      {"?.txt", "中.txt", true},  // `?` is one character, not one byte
      {"??.txt", "中.txt", false},
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"f*nt", "FONT", true},
      {"", "a.bin", false},
      {"/", "a.bin", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NamePattern(c.pattern).Matches(c.name), c.matches)
        << c.pattern << " against " << c.name;
  }
}

}  // namespace
}  // namespace hxf
