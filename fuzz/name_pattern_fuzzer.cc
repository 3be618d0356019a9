// The entry picker over arbitrary bytes: a pattern and a name, split at the first zero byte. It
// must neither crash nor take more than the product of their lengths, and what holds of every
// pattern must hold here: `**` picks every name, a plain name picks itself however its ASCII
// letters are cased, and a pattern that picks a name picks what lies below it too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/name_pattern.h"
#include "fuzz/fuzz_check.h"

namespace {

bool HasComponent(std::string_view name) {
  return name.find_first_not_of("\\") != std::string_view::npos;
}

bool IsPlain(std::string_view name) {
  // No wildcard, no `/` (a separator in patterns only), and no empty component.
  if (name.empty() || name.find_first_of("*?/") != std::string_view::npos) return false;
  return name.front() != '\\' && name.back() != '\\' && name.find("\\\\") == std::string_view::npos;
}

std::string Swapped(std::string_view name) {
  std::string swapped(name);
  for (char& c : swapped) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return swapped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view pattern_text = input.substr(0, split);
  const std::string_view name =
      split == std::string_view::npos ? pattern_text : input.substr(split + 1);

  const hxf::NamePattern pattern(pattern_text);
  const bool picked = pattern.Matches(name);
  if (picked && IsPlain(name)) {
    HXF_FUZZ_CHECK(pattern.Matches(std::string(name) + "\\below"));
  }
  if (HasComponent(name)) HXF_FUZZ_CHECK(hxf::NamePattern("**").Matches(name));
  if (IsPlain(name)) {
    HXF_FUZZ_CHECK(hxf::NamePattern(name).Matches(name));
    HXF_FUZZ_CHECK(hxf::NamePattern(Swapped(name)).Matches(name));
  }
  return 0;
}
