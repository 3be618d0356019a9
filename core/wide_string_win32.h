// UTF-8, the program's own form of every path and text, to and from UTF-16, the form Windows
// takes. Only the files that call Windows include this.
#pragma once

#include <string>
#include <string_view>

namespace hxf {

// Each returns false, leaving `out` unspecified, when `in` is not valid UTF-8 (or UTF-16).
bool WideFromUtf8(std::string_view in, std::wstring& out);
bool Utf8FromWide(std::wstring_view in, std::string& out);

// For texts that are only shown: what does not convert becomes U+FFFD.
std::wstring WideFromUtf8Lossy(std::string_view in);
std::string Utf8FromWideLossy(std::wstring_view in);

}  // namespace hxf
