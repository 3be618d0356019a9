// The log's multi-line edit box: lines go in at the top, newest first, and the view stays where
// the user left it: at the top it stays at the top, so the newest line is always in sight;
// scrolled down to older lines, it keeps showing those lines.
#pragma once

#include <windows.h>

#include <string>

namespace hxf {

// Puts `lines` (each ending in "\r\n") in front of the whole text of `edit`. The caret ends just
// after them, and whatever the user had selected is given up.
void InsertAtTop(HWND edit, const std::wstring& lines);

// The whole text of a window.
std::wstring WindowText(HWND window);

}  // namespace hxf
