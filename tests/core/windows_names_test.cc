#include "core/windows_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hxf {
namespace {

TEST(WindowsNameProblem, RefusesDevicesTrailingDotsAndSpacesAndReservedCharacters) {
  struct Case {
    const char* what;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"devices", {"CON", "con", "Con.txt", "nul.tar.gz", "PRN", "aux.", "NUL ", "CON .txt"}},
      {"consoles", {"CONIN$", "conout$.log"}},
      {"ports", {"COM1", "com9.bin", "LPT1", "lpt5.txt"}},
      {"ports with a superscript digit",
       {"COM\xC2\xB9", "com\xC2\xB2.txt", "LPT\xC2\xB3", "lpt\xC2\xB9.bin"}},
      {"a dot or a space at the end", {"a.", "a ", "dir.", "..a."}},
      {"reserved characters", {"a<b", "a>b", "a:b", "a\"b", "a|b", "a?b", "a*b"}},
  };
  for (const Case& c : cases) {
    for (const std::string& name : c.names) {
      EXPECT_FALSE(WindowsNameProblem(name).empty()) << c.what << ": accepted " << name;
    }
  }
}

TEST(WindowsNameProblem, AcceptsNamesThatOnlyLookLikeDevices) {
  const std::string accepted[] = {
      "a.bin",        "CONFIG.SYS", "console", "nul2",
      "xcon",         "COM0",       "COM10",   "LPT",
      "com",          "AUX_1",
      "COM\xC2\xB4",                // COM´: only ¹ ² ³ count as digits
      "COM\xC2\xB9x", "LPT1x.txt",  // more after the digit
      ".con",         " CON",       // the device name must stand first, alone before a dot
      "中文.bin",     "a b",        "a.b.c",   "#[]{}'&%$!=+,;@^~`",
  };
  for (const std::string& name : accepted) {
    EXPECT_EQ(WindowsNameProblem(name), "") << name;
  }
}

}  // namespace
}  // namespace hxf
