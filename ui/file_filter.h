// The file dialogs' filter: pairs of description and pattern separated by "|", as in
// ".hxf filename|*.hxf".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hxf {

struct FilterPair {
  std::string description;
  std::string pattern;
};

// The pairs of `filter`; empty unless it is made of whole pairs with no blank part.
std::vector<FilterPair> ParseFilter(std::string_view filter);

}  // namespace hxf
