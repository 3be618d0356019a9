#include "ui/file_filter.h"

namespace hxf {

namespace {

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos;
}

std::vector<std::string_view> SplitAtBars(std::string_view text) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t bar = text.find('|');
    parts.push_back(text.substr(0, bar));
    if (bar == std::string_view::npos) return parts;
    text.remove_prefix(bar + 1);
  }
}

}  // namespace

std::vector<FilterPair> ParseFilter(std::string_view filter) {
  const std::vector<std::string_view> parts = SplitAtBars(filter);
  if (parts.size() % 2 != 0) return {};
  std::vector<FilterPair> pairs;
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    if (IsBlank(parts[i]) || IsBlank(parts[i + 1])) return {};
    pairs.push_back({std::string(parts[i]), std::string(parts[i + 1])});
  }
  return pairs;
}

}  // namespace hxf
