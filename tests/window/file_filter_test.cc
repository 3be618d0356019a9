#include "ui/file_filter.h"

#include <gtest/gtest.h>

#include "tests/window/scripted_dialog.h"

namespace hxf {
namespace {

struct FilterCase {
  const char* name;
  const char* filter;
  bool accepted;
};

const FilterCase kFilters[] = {
    {"the package filter", ".hxf filename|*.hxf", true},
    {"two pairs", "a|*.a|b|*.b", true},
    {"empty", "", false},
    {"description only", ".hxf filename", false},
    {"odd parts", "a|*.a|b", false},
    {"empty description", "|*.hxf", false},
    {"empty pattern", "a| ", false},
};

TEST(FileFilterTest, DialogTakesOnlyWholePairsAndKeepsItsFilterOtherwise) {
  for (const FilterCase& c : kFilters) {
    testing::ScriptedDialog dialog;
    ASSERT_TRUE(dialog.SetFilter("x|*.x").ok());
    EXPECT_EQ(dialog.SetFilter(c.filter).ok(), c.accepted) << c.name;
    EXPECT_EQ(dialog.Filter(), c.accepted ? c.filter : "x|*.x") << c.name;
    EXPECT_EQ(ParseFilter(c.filter).empty(), !c.accepted) << c.name;
  }
}

TEST(FileFilterTest, PairsComeInTheirOrder) {
  const std::vector<FilterPair> pairs = ParseFilter("a|*.a|Packages|*.hxf");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].description, "a");
  EXPECT_EQ(pairs[0].pattern, "*.a");
  EXPECT_EQ(pairs[1].description, "Packages");
  EXPECT_EQ(pairs[1].pattern, "*.hxf");
}

}  // namespace
}  // namespace hxf
