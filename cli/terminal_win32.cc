// A console is written with WriteConsoleW, so that Chinese names show whatever the console's code
// page; a redirected stream gets the UTF-8 bytes as they are.
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "cli/terminal.h"
#include "core/wide_string_win32.h"
#include "core/windows_status.h"

namespace hxf::cli {
namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

// One lock for both streams: a console shows them in one window.
std::mutex& ConsoleLock() {
  static std::mutex lock;
  return lock;
}

// The bytes as they are, whatever the handle is. False, with the last error set, when not all of
// them could be written.
bool WriteBytes(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() < (1u << 30) ? bytes.size() : (1u << 30));
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool WriteTo(DWORD stream, std::string_view text) {
  const HANDLE handle = GetStdHandle(stream);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return text.empty();
  }
  if (!IsConsole(handle)) return WriteBytes(handle, text);
  const std::wstring wide = WideFromUtf8Lossy(text);
  std::lock_guard lock(ConsoleLock());
  const wchar_t* data = wide.data();
  std::size_t left = wide.size();
  while (left > 0) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(left < 8192 ? left : 8192);
    if (!WriteConsoleW(handle, data, chunk, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data += written;
    left -= written;
  }
  return true;
}

std::mutex output_mutex;
Status output_failure;  // the first, guarded by output_mutex

void NoteOutputFailure(DWORD error) {
  std::lock_guard lock(output_mutex);
  if (!output_failure.ok()) return;
  const Status::Code code = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL
                                ? Status::Code::kNoSpace
                                : Status::Code::kIoError;
  output_failure = Status::Error(code, WindowsReason(error));
}

}  // namespace

bool ErrorIsTerminal() {
  return IsConsole(GetStdHandle(STD_ERROR_HANDLE));
}

void WriteError(std::string_view text) {
  WriteTo(STD_ERROR_HANDLE, text);  // where it fails, nothing is left to tell
}

void WriteOutput(std::string_view text) {
  if (!WriteTo(STD_OUTPUT_HANDLE, text)) NoteOutputFailure(GetLastError());
}

// Written with WriteFile, below the C library's streams and their text mode (which would turn LF
// into CR LF), and never through the console's UTF-16 path: these are bytes, not text.
bool WriteOutputBytes(std::span<const std::byte> bytes) {
  const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
  } else if (WriteBytes(handle, text)) {
    return true;
  }
  if (text.empty()) return true;
  NoteOutputFailure(GetLastError());
  return false;
}

Status OutputFailure() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) NoteOutputFailure(ERROR_WRITE_FAULT);
  std::lock_guard lock(output_mutex);
  return output_failure;
}

void RewriteErrorLine(std::string_view text) {
  // The console's own calls, not escape sequences, which older consoles print as they are.
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!IsConsole(handle) || !GetConsoleScreenBufferInfo(handle, &info)) return;
  {
    std::lock_guard lock(ConsoleLock());
    COORD start{0, info.dwCursorPosition.Y};
    DWORD cleared = 0;
    FillConsoleOutputCharacterW(handle, L' ', static_cast<DWORD>(info.dwSize.X), start, &cleared);
    SetConsoleCursorPosition(handle, start);
  }
  WriteError(text);
}

}  // namespace hxf::cli
