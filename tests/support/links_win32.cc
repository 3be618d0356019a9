#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <filesystem>

#include "core/unique_handle_win32.h"
#include "core/wide_string_win32.h"
#include "tests/support/links.h"

namespace hxf::testing {
namespace {

namespace fs = std::filesystem;

fs::path Host(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

bool IsReparsePoint(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The layout of a junction's reparse data (the SDK keeps it in a kernel header).
struct JunctionData {
  DWORD tag;
  WORD data_length;
  WORD reserved;
  WORD substitute_offset, substitute_length, print_offset, print_length;
  wchar_t names[2048];
};

bool MakeJunction(const std::wstring& link, const fs::path& target) {
  const std::wstring substitute = L"\\??\\" + fs::absolute(target).wstring();
  if (substitute.size() + 2 > std::size(JunctionData{}.names)) return false;
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  JunctionData data{};
  data.tag = IO_REPARSE_TAG_MOUNT_POINT;
  const WORD bytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  data.substitute_length = bytes;
  data.print_offset = bytes + sizeof(wchar_t);
  std::copy(substitute.begin(), substitute.end(), data.names);
  data.data_length = static_cast<WORD>(8 + bytes + 2 * sizeof(wchar_t));
  UniqueHandle handle(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
  DWORD returned = 0;
  const bool made = handle && DeviceIoControl(handle.get(), FSCTL_SET_REPARSE_POINT, &data,
                                              8 + data.data_length, nullptr, 0, &returned, nullptr);
  handle.Reset();
  if (!made) RemoveDirectoryW(link.c_str());
  return made;
}

}  // namespace

bool MakeLink(const std::string& path, const std::string& target) {
  const std::wstring link = WideFromUtf8Lossy(path);
  std::wstring to = WideFromUtf8Lossy(target);
  std::replace(to.begin(), to.end(), L'/', L'\\');
  const fs::path resolved =
      Host(target).is_absolute() ? Host(target) : Host(path).parent_path() / Host(target);
  std::error_code error;
  const bool directory = fs::is_directory(resolved, error);
  const DWORD flags =
      (directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  // Wine 8 reports success and makes nothing: what is there is checked.
  if (CreateSymbolicLinkW(link.c_str(), to.c_str(), flags) && IsReparsePoint(link)) return true;
  return directory && MakeJunction(link, resolved);
}

bool MakeSpecial(const std::string&) {
  return false;
}

}  // namespace hxf::testing
