#include "ui/error_box_text.h"

#include <gtest/gtest.h>

namespace hxf {
namespace {

struct TextCase {
  const char* name;
  const char* message;
  const char* shown;
};

TEST(ErrorBoxTextTest, FullStopIsAddedAfterCharactersSortingAfterIt) {
  const TextCase cases[] = {
      {"empty", "", ""},
      {"letter", "Out of memory", "Out of memory."},
      {"full stop", "Done.", "Done."},
      {"exclamation", "Stop!", "Stop!"},
      {"bracket", "(none)", "(none)"},
      {"hyphen", "a-", "a-"},
      {"space", "a ", "a "},
      {"slash sorts after", "C:/", "C:/."},
      {"digit", "code 5", "code 5."},
      {"Chinese", "属性无效", "属性无效."},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.name;
  }
}

struct TitleCase {
  const char* path;
  const char* title;
};

TEST(ErrorBoxTextTest, ProgramTitleIsTheFileNameCutAtTheFirstDot) {
  const TitleCase cases[] = {
      {"/usr/bin/hxf-gui", "hxf-gui"},       {"/opt/HXF-GUI", "Hxf-gui"},
      {"/x/HxfTool.Setup.exe", "Hxftool"},   {"Tool", "Tool"},
      {"C:\\Program Files\\HXF.EXE", "Hxf"}, {"/x/.hidden", ""},
  };
  for (const TitleCase& c : cases) {
    EXPECT_EQ(ProgramTitle(c.path), c.title) << c.path;
  }
}

}  // namespace
}  // namespace hxf
