// The order of entries in a package: within a directory, names compare byte by byte with ASCII
// capitals folded to small letters and the byte 0xFF below every other byte; a name that is a
// prefix of another sorts first. Names that compare equal (a.bin and A.BIN) keep the order the
// directory listing gave them, so sort with std::stable_sort.
#pragma once

#include <string_view>

namespace hxf {

// True when package name `a` sorts before package name `b`.
bool NameLess(std::string_view a, std::string_view b);

}  // namespace hxf
