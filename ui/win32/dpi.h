// The window's bounds are given at 96 dots per inch; on a screen of another density each is scaled
// by the program itself, since it tells the system it draws at the screen's own density.
#pragma once

#include <windows.h>

#include "ui/window_layout.h"

namespace hxf {

inline constexpr UINT kDesignDpi = 96;

// The density of the screen `window` is on.
UINT WindowDpi(HWND window);

int ScaleToDpi(int pixels, UINT dpi);
RECT ScaleToDpi(const layout::Bounds& bounds, UINT dpi);

}  // namespace hxf
