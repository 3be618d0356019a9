// The system's open and save dialogs behind the window's dialog object (ui/common_dialog.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/common_dialog.h"

namespace hxf {

// The filter as the system's dialogs take it: "description\0pattern\0" per pair, then "\0".
std::wstring SystemFilter(const std::vector<FilterPair>& pairs);

class FileCommonDialog final : public CommonDialog {
 public:
  // The dialogs are modal to `owner`, which may be set once the window exists.
  explicit FileCommonDialog(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }

  bool ShowOpen() override;
  bool ShowSave() override;

 private:
  bool Show(bool save);

  HWND owner_;
};

}  // namespace hxf
