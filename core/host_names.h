// The names this host's file system cannot hold, or would take for something else, beyond what
// the unpacker refuses on every host; and which names it takes for one file. Each platform has
// its own file (host_names_posix.cc, host_names_win32.cc), chosen by the build.
#pragma once

#include <string>
#include <string_view>

namespace hxf {

// Why `component` (one component of a decoded entry name) cannot name a file or directory here,
// or empty when it can.
std::string HostNameProblem(std::string_view component);

// Whether a name must be valid UTF-8 to be written here (on Windows, to become UTF-16), or may be
// any bytes.
bool HostNamesMustBeUtf8();

// The form in which two paths (decoded entry names, their components joined by '/') are equal
// exactly when they name one file here: the path itself, or on a host whose file system takes
// names equal but for the case of ASCII letters for one (Windows), the path with A-Z in lower
// case.
std::string HostFileKey(std::string_view path);

}  // namespace hxf
