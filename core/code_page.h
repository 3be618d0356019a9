// Conversion between GBK (code page 936) and UTF-8: the one place that depends on the platform's
// conversion service (iconv here; a Windows build uses its own code-page functions).
#pragma once

#include <string>
#include <string_view>

namespace hxf {

// Each returns false, leaving `out` unspecified, when `in` holds anything that does not convert.
bool GbkToUtf8(std::string_view in, std::string& out);
bool Utf8ToGbk(std::string_view in, std::string& out);

}  // namespace hxf
