// Owners of the window's handles, one small type per kind, each releasing its handle with the
// call that kind needs, so that no function body releases one by hand.
#pragma once

// clang-format off
#include <windows.h>  // first: the other system headers need its types
// clang-format on

#include <shellapi.h>

#include <utility>

namespace hxf {

template <class Handle, class Traits>
class UniqueGuiHandle {
 public:
  UniqueGuiHandle() = default;
  explicit UniqueGuiHandle(Handle handle) : handle_(handle) {}
  UniqueGuiHandle(UniqueGuiHandle&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
  UniqueGuiHandle& operator=(UniqueGuiHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, {}));
    return *this;
  }
  UniqueGuiHandle(const UniqueGuiHandle&) = delete;
  UniqueGuiHandle& operator=(const UniqueGuiHandle&) = delete;
  ~UniqueGuiHandle() { Reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  // Gives up the handle without releasing it (the system has released it already).
  Handle Release() { return std::exchange(handle_, {}); }
  void Reset(Handle handle = {}) {
    if (handle_ != Handle{}) Traits::Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_{};
};

// A top-level window; its child windows go with it.
struct WindowTraits {
  static void Release(HWND window) { DestroyWindow(window); }
};
using UniqueWindow = UniqueGuiHandle<HWND, WindowTraits>;

// A font made for the window's components.
struct FontTraits {
  static void Release(HFONT font) { DeleteObject(font); }
};
using UniqueFont = UniqueGuiHandle<HFONT, FontTraits>;

// A hook on the calling thread's windows.
struct HookTraits {
  static void Release(HHOOK hook) { UnhookWindowsHookEx(hook); }
};
using UniqueHook = UniqueGuiHandle<HHOOK, HookTraits>;

// The files of a drop, given to the window with WM_DROPFILES.
struct DropTraits {
  static void Release(HDROP drop) { DragFinish(drop); }
};
using UniqueDrop = UniqueGuiHandle<HDROP, DropTraits>;

}  // namespace hxf
