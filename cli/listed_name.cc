#include "cli/listed_name.h"

#include <vector>

#include "core/name_encoding.h"

namespace hxf::cli {

std::string ListedName(std::string_view name) {
  // A backslash byte is never part of a UTF-8 sequence, so the parts between backslashes escape
  // as they would within the whole name.
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = name.find('\\', start);
    parts.push_back(DisplayName(name.substr(start, end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  std::string listed = parts[0];
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string& next = parts[i];
    const bool another_backslash_follows = next.empty() && i + 1 < parts.size();
    const bool ambiguous =
        another_backslash_follows || next.starts_with('x') || next.starts_with('\\');
    listed += ambiguous ? "\\\\" : "\\";
    listed += next;
  }
  return listed;
}

}  // namespace hxf::cli
