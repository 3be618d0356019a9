#include "ui/win32/log_box.h"

namespace hxf {

void InsertAtTop(HWND edit, const std::wstring& lines) {
  const auto first_visible = static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  const auto old_count = static_cast<int>(SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
  SendMessageW(edit, EM_SETSEL, 0, 0);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(lines.c_str()));
  // The replacement scrolls the caret into view, which would leave the view one line down from
  // the top, or jump away from what the user was reading. Lines are counted as the box wraps them.
  const auto added = static_cast<int>(SendMessageW(edit, EM_GETLINECOUNT, 0, 0)) - old_count;
  const int wanted = first_visible == 0 ? 0 : first_visible + added;
  const auto now = static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  SendMessageW(edit, EM_LINESCROLL, 0, wanted - now);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace hxf
