#include "ui/win32/file_dialog.h"

#include <commdlg.h>

#include "core/wide_string_win32.h"

namespace hxf {

namespace {

// Room for a long path (the dialogs take paths beyond the old 260-character limit).
constexpr std::size_t kPathRoom = 32768;

std::wstring NamePart(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

}  // namespace

std::wstring SystemFilter(const std::vector<FilterPair>& pairs) {
  std::wstring filter;
  for (const FilterPair& pair : pairs) {
    for (const std::string* part : {&pair.description, &pair.pattern}) {
      filter += WideFromUtf8Lossy(*part);
      filter += L'\0';
    }
  }
  filter += L'\0';
  return filter;
}

bool FileCommonDialog::ShowOpen() {
  return Show(false);
}

bool FileCommonDialog::ShowSave() {
  return Show(true);
}

bool FileCommonDialog::Show(bool save) {
  const std::wstring filter = SystemFilter(FilterPairs());
  const std::wstring directory = WideFromUtf8Lossy(InitDir());
  // Offer the name chosen last, but in the starting directory: the directory is set each time.
  std::wstring file = NamePart(WideFromUtf8Lossy(FileName()));
  file.resize(kPathRoom, L'\0');

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
  // The program's current folder stays where it was: every path it uses is a full one anyway.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                 (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  dialog.lpstrDefExt = save ? L"hxf" : nullptr;
  if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return false;

  std::string chosen;
  if (!Utf8FromWide(file.c_str(), chosen) || chosen.empty()) return false;
  SetFileName(chosen);
  return true;
}

}  // namespace hxf
