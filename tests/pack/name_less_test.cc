#include "pack/name_less.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace hxf {
namespace {

enum class Order { kBefore, kEqual, kAfter };

TEST(NameLess, OrdersNamesByFoldedBytesWith0xFFLowest) {
  struct Case {
    std::string a;
    std::string b;
    Order order;
  };
  const Case cases[] = {
      {"a.bin", "A.BIN", Order::kEqual},
      {"a.bin", "b.bin", Order::kBefore},
      {"B.bin", "a.bin", Order::kAfter},  // plain byte order would put 'B' first
      {"Font", "font2", Order::kBefore},  // a prefix sorts first
      {"abc", "abc", Order::kEqual},
      {"", "a", Order::kBefore},
      {"b", "a.bin", Order::kAfter},
      {"_x", "ax", Order::kBefore},   // '_' (0x5F) is below 'a' (0x61) once 'A'..'Z' are folded
      {"[x", "Zx", Order::kBefore},   // '[' (0x5B) is below 'z' (0x7A), though above 'Z'
      {"z", "\x80", Order::kBefore},  // non-ASCII bytes come after every ASCII byte
      {"\xD6\xD0", "\xFE", Order::kBefore},
      {"\xFF", "\x01", Order::kBefore},  // 0xFF is below every other byte
      {"\xFFz", std::string(1, '\0'), Order::kBefore},
      {"a\xFF", "a", Order::kAfter},  // still longer, so after its prefix
      {"\xC4\xE3", "\xC4\xE3", Order::kEqual},
      {"\xC4", "\xE4", Order::kBefore},  // only ASCII capitals fold: 0xC4 stays below 0xE4
  };
  for (const Case& c : cases) {
    const bool less = NameLess(c.a, c.b);
    const bool greater = NameLess(c.b, c.a);
    EXPECT_EQ(less, c.order == Order::kBefore) << c.a << " vs " << c.b;
    EXPECT_EQ(greater, c.order == Order::kAfter) << c.a << " vs " << c.b;
  }
}

TEST(NameLess, StableSortKeepsEqualNamesInListingOrder) {
  std::vector<std::string> names = {"c.bin", "A.BIN", "b", "a.bin", "\xFF", "A.bin"};
  std::stable_sort(names.begin(), names.end(), NameLess);
  EXPECT_EQ(names, (std::vector<std::string>{"\xFF", "A.BIN", "a.bin", "A.bin", "b", "c.bin"}));
}

}  // namespace
}  // namespace hxf
