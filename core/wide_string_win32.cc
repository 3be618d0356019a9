#include "core/wide_string_win32.h"

#include <windows.h>

namespace hxf {
namespace {

bool ToWide(UINT code_page, DWORD flags, std::string_view in, std::wstring& out) {
  out.clear();
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  const int needed = MultiByteToWideChar(code_page, flags, in.data(), size, nullptr, 0);
  if (needed <= 0) return false;
  out.resize(static_cast<std::size_t>(needed));
  return MultiByteToWideChar(code_page, flags, in.data(), size, out.data(), needed) == needed;
}

bool FromWide(DWORD flags, std::wstring_view in, std::string& out) {
  out.clear();
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, flags, in.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return false;
  out.resize(static_cast<std::size_t>(needed));
  return WideCharToMultiByte(CP_UTF8, flags, in.data(), size, out.data(), needed, nullptr,
                             nullptr) == needed;
}

}  // namespace

bool WideFromUtf8(std::string_view in, std::wstring& out) {
  return ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, in, out);
}

bool Utf8FromWide(std::wstring_view in, std::string& out) {
  return FromWide(WC_ERR_INVALID_CHARS, in, out);
}

std::wstring WideFromUtf8Lossy(std::string_view in) {
  std::wstring out;
  ToWide(CP_UTF8, 0, in, out);
  return out;
}

std::string Utf8FromWideLossy(std::wstring_view in) {
  std::string out;
  FromWide(0, in, out);
  return out;
}

}  // namespace hxf
