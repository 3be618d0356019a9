// Names equal but for case. The players' file systems ignore the case of ASCII letters: two entries
// whose names differ only in it are stored both, in their order, but one of them hides the other
// on the player. Names are compared decoded, so that the trail byte of a two-byte character is
// never folded.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "core/name_encoding.h"

namespace hxf {

// The entry name (as stored) decoded, with A-Z made lower case: equal for two names the player
// takes for one.
std::string FoldedName(std::string_view entry_name, NameEncoding encoding);

class NameCaseCheck {
 public:
  explicit NameCaseCheck(NameEncoding encoding) : encoding_(encoding) {}

  // Notes the entry name `entry_name` (as stored); false when an earlier one equals it but for
  // case (or exactly).
  bool Note(std::string_view entry_name);

 private:
  NameEncoding encoding_;
  std::unordered_set<std::string> folded_names_;
};

}  // namespace hxf
