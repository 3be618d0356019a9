#include "core/windows_status.h"

#include <windows.h>

#include "core/wide_string_win32.h"

namespace hxf {

std::string WindowsReason(unsigned long error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring reason = length > 0 ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' ||
                             reason.back() == L' ' || reason.back() == L'.')) {
    reason.pop_back();
  }
  if (reason.empty()) return "system error " + std::to_string(error);
  return Utf8FromWideLossy(reason);
}

Status WindowsStatus(unsigned long error, const std::string& action, const std::string& path) {
  Status::Code code = Status::Code::kIoError;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      code = Status::Code::kNotFound;
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Status::Error(Status::Code::kBusy,
                           "cannot " + action + " " + path + ": the file is in use");
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      code = Status::Code::kPermission;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      code = Status::Code::kNoSpace;
      break;
    default:
      break;
  }
  return Status::Error(code, "cannot " + action + " " + path + ": " + WindowsReason(error));
}

}  // namespace hxf
