// GBK is code page 936, named here: the active code page is whatever the user's system has.
#include <windows.h>

#include "core/code_page.h"

namespace hxf {
namespace {

constexpr UINT kGbk = 936;

// `in` in `code_page` to UTF-16; false when a byte sequence is not valid there.
bool Widen(UINT code_page, std::string_view in, std::wstring& out) {
  out.clear();
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  const int needed =
      MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
  if (needed <= 0) return false;
  out.resize(static_cast<std::size_t>(needed));
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(), size, out.data(),
                             needed) == needed;
}

}  // namespace

bool GbkToUtf8(std::string_view in, std::string& out) {
  std::wstring wide;
  if (!Widen(kGbk, in, wide)) return false;
  out.clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  const int needed = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, nullptr,
                                         0, nullptr, nullptr);
  if (needed <= 0) return false;
  out.resize(static_cast<std::size_t>(needed));
  return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, out.data(), needed,
                             nullptr, nullptr) == needed;
}

bool Utf8ToGbk(std::string_view in, std::string& out) {
  std::wstring wide;
  if (!Widen(CP_UTF8, in, wide)) return false;
  out.clear();
  if (wide.empty()) return true;
  // No best-fit mapping (Windows would turn a character GBK lacks into a look-alike that names
  // another file), and a character that needs the default one fails the conversion.
  const int size = static_cast<int>(wide.size());
  BOOL used_default = FALSE;
  const int needed = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                         nullptr, &used_default);
  if (needed <= 0 || used_default) return false;
  out.resize(static_cast<std::size_t>(needed));
  return WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), needed,
                             nullptr, &used_default) == needed &&
         !used_default;
}

}  // namespace hxf
