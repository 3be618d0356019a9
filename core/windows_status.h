// Windows error codes (GetLastError) as the library's Status: the one mapping of them.
#pragma once

#include <string>

#include "core/status.h"

namespace hxf {

// "cannot <action> <path>: <the system's reason>", with the code that fits `error`.
Status WindowsStatus(unsigned long error, const std::string& action, const std::string& path);

// The system's reason for `error`, without its closing full stop.
std::string WindowsReason(unsigned long error);

}  // namespace hxf
