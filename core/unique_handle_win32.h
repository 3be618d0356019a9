// Owners of Windows handles, one per kind, each closing its handle with the call that kind needs.
#pragma once

#include <windows.h>

#include <utility>

namespace hxf {

template <class Traits>
class UniqueWinHandle {
 public:
  UniqueWinHandle() = default;
  explicit UniqueWinHandle(HANDLE handle) : handle_(handle) {}
  UniqueWinHandle(UniqueWinHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, Traits::kInvalid())) {}
  UniqueWinHandle& operator=(UniqueWinHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, Traits::kInvalid());
    }
    return *this;
  }
  UniqueWinHandle(const UniqueWinHandle&) = delete;
  UniqueWinHandle& operator=(const UniqueWinHandle&) = delete;
  ~UniqueWinHandle() { Reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::kInvalid(); }
  void Reset() {
    if (handle_ != Traits::kInvalid()) Traits::Close(handle_);
    handle_ = Traits::kInvalid();
  }

 private:
  HANDLE handle_ = Traits::kInvalid();
};

// A file, directory or process: CreateFileW's failure value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  static HANDLE kInvalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
using UniqueHandle = UniqueWinHandle<FileHandleTraits>;

// A directory search of FindFirstFileExW.
struct FindHandleTraits {
  static HANDLE kInvalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { FindClose(handle); }
};
using UniqueFindHandle = UniqueWinHandle<FindHandleTraits>;

}  // namespace hxf
