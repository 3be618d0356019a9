// The texts of the program's standard error box: for failures of the window itself (it cannot be
// created, or a file dialog refuses its settings), not for the jobs, which report through the log.
#pragma once

#include <string>

namespace hxf {

// `message` (UTF-8) as the box shows it: a full stop is added when the text is not empty and its
// last character sorts after "." (so a text already ending in ".", "!" or ")" is left as it is).
std::string ErrorBoxText(const std::string& message);

// The box's caption, the program's title, from its executable's path: the file name, cut at the
// first dot, every character after the first in lower case.
std::string ProgramTitle(const std::string& executable_path);

}  // namespace hxf
