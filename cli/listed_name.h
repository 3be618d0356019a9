// A name as `hxf list` prints it, one to a line: control characters and bytes that are not UTF-8
// become \xNN (as in log lines), and a backslash of the name that could be read as the start of
// an escape, one before `x` or before another backslash, is doubled. So a line can be read back:
// `\\` is a backslash, `\xNN` the byte NN, and any other backslash is a backslash.
#pragma once

#include <string>
#include <string_view>

namespace hxf::cli {

std::string ListedName(std::string_view name);

}  // namespace hxf::cli
