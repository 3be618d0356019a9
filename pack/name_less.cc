#include "pack/name_less.h"

#include <algorithm>

namespace hxf {
namespace {

// The value a name byte sorts by.
int SortValue(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte == 0xFF) return -1;
  if (byte >= 'A' && byte <= 'Z') return byte - 'A' + 'a';
  return byte;
}

}  // namespace

bool NameLess(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int left = SortValue(a[i]);
    const int right = SortValue(b[i]);
    if (left != right) return left < right;
  }
  return a.size() < b.size();
}

}  // namespace hxf
