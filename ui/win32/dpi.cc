#include "ui/win32/dpi.h"

namespace hxf {

UINT WindowDpi(HWND window) {
  // GetDpiForWindow exists from Windows 10 on; before that the whole desktop has one density.
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window != nullptr) {
    if (const UINT dpi = get_dpi_for_window(window); dpi != 0) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

int ScaleToDpi(int pixels, UINT dpi) {
  return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

RECT ScaleToDpi(const layout::Bounds& bounds, UINT dpi) {
  const int left = ScaleToDpi(bounds.left, dpi);
  const int top = ScaleToDpi(bounds.top, dpi);
  return {left, top, left + ScaleToDpi(bounds.width, dpi), top + ScaleToDpi(bounds.height, dpi)};
}

}  // namespace hxf
