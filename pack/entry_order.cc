#include "pack/entry_order.h"

#include <algorithm>

#include "core/package_format.h"
#include "pack/name_less.h"

namespace hxf {

std::vector<std::string_view> PackageNameComponents(std::string_view name, NameEncoding encoding) {
  std::vector<std::string_view> components;
  std::size_t start = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (encoding == NameEncoding::kGbk && byte >= 0x81 && byte <= 0xFE) {
      ++i;  // a lead byte: the next byte is its trail, whatever its value
    } else if (name[i] == format::kNameSeparator) {
      components.push_back(name.substr(start, i - start));
      start = i + 1;
    }
  }
  components.push_back(name.substr(std::min(start, name.size())));
  return components;
}

bool EntryBefore(std::string_view a, std::string_view b, NameEncoding encoding) {
  const std::vector<std::string_view> left = PackageNameComponents(a, encoding);
  const std::vector<std::string_view> right = PackageNameComponents(b, encoding);
  const std::size_t common = std::min(left.size(), right.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (NameLess(left[i], right[i])) return true;
    if (NameLess(right[i], left[i])) return false;
  }
  // One is a folder holding the other's path: no packer writes both, the shorter goes first.
  return left.size() < right.size();
}

}  // namespace hxf
