#include "core/name_pattern.h"

#include <cstdint>

namespace hxf {
namespace {

std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> components;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find_first_of(separators, start);
    const std::string_view component = text.substr(start, end - start);
    if (!component.empty()) components.push_back(component);
    if (end == std::string_view::npos) return components;
    start = end + 1;
  }
}

char Folded(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Bytes of the character at the start of `s`: a whole UTF-8 sequence, or one byte of anything
// else, so that `?` stands for one character of a decoded name.
std::size_t CharacterLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length > s.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// One component against one pattern component with `*` and `?`. The usual linear-time match:
// on a mismatch, the last `*` takes one more character.
bool ComponentMatches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;  // just after the last `*` seen
  std::size_t star_n = 0;                     // where that `*`'s run now ends in the name
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p;
      star_n = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharacterLength(name.substr(n));
    } else if (p < pattern.size() && Folded(pattern[p]) == Folded(name[n])) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star;
      star_n += CharacterLength(name.substr(star_n));
      n = star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

NamePattern::NamePattern(std::string_view text) : text_(text) {
  for (std::string_view component : Split(text, "/\\")) components_.emplace_back(component);
}

bool NamePattern::Matches(std::string_view name) const {
  const std::vector<std::string_view> parts = Split(name, "\\");
  if (components_.empty()) return false;
  // matched[i][j]: the first i pattern components can stand for the first j name components.
  // Row by row, so the cost is the product of the two counts, whatever the pattern.
  const std::size_t rows = components_.size() + 1;
  const std::size_t columns = parts.size() + 1;
  std::vector<std::uint8_t> previous(columns, 0);
  std::vector<std::uint8_t> current(columns, 0);
  previous[0] = 1;
  for (std::size_t i = 1; i < rows; ++i) {
    const std::string& pattern = components_[i - 1];
    const bool any = pattern == "**";
    current[0] = any && previous[0];
    for (std::size_t j = 1; j < columns; ++j) {
      current[j] = any ? (previous[j] || current[j - 1])
                       : (previous[j - 1] && ComponentMatches(pattern, parts[j - 1]));
    }
    std::swap(previous, current);
  }
  // The whole name, or a leading run of it: a folder picks what is below it.
  for (std::size_t j = 1; j < columns; ++j) {
    if (previous[j]) return true;
  }
  return false;
}

}  // namespace hxf
