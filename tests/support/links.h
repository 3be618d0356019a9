// Links and special files for tests, by each system's own means: a symbolic link and a pipe on
// POSIX; on Windows a symbolic link where this process may make one, else a junction for a
// directory, and no special files (a directory holds none there).
#pragma once

#include <string>

namespace hxf::testing {

// A link at `path` to `target` (absolute, or relative to the link's directory). False when this
// system cannot make one here (Wine 8 makes none).
bool MakeLink(const std::string& path, const std::string& target);

// A pipe or the like at `path`: listed, never opened. False when this system has none.
bool MakeSpecial(const std::string& path);

}  // namespace hxf::testing
