// Names and patterns that pick entries of a package, as `hxf unpack`, `cat` and `remove` take
// them: an entry name, or a pattern with `*` (any run of characters within one component), `?`
// (one character) and `**` as a whole component (any number of components, none included). Both
// `/` and `\` separate components. ASCII letters match regardless of case, as the players' file
// systems ignore it. A pattern that matches a leading run of a name's components picks the whole
// folder: `SYSTEM` picks `SYSTEM\FONT\a.bin`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hxf {

class NamePattern {
 public:
  explicit NamePattern(std::string_view text);

  // Whether the pattern picks the entry `name` (decoded, components separated by backslashes).
  bool Matches(std::string_view name) const;
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  std::vector<std::string> components_;
};

}  // namespace hxf
