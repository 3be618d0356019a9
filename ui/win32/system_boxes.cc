#include "ui/win32/system_boxes.h"

#include "core/wide_string_win32.h"
#include "ui/win32/handles.h"
#include "ui/window_texts.h"

namespace hxf {

namespace {

// The system's box has Yes, No and Cancel: they are given the question's own words as the box
// is made, before it shows.
LRESULT CALLBACK NameTheButtons(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    const auto box = reinterpret_cast<HWND>(wparam);
    const struct {
      int id;
      const char* text;
    } buttons[] = {{IDYES, ui_text::kWait}, {IDNO, ui_text::kStop}, {IDCANCEL, ui_text::kKeepOpen}};
    for (const auto& button : buttons) {
      SetDlgItemTextW(box, button.id, WideFromUtf8Lossy(button.text).c_str());
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

void ShowStandardErrorBox(HWND owner, const std::string& text, const std::string& caption) {
  MessageBoxW(owner, WideFromUtf8Lossy(text).c_str(), WideFromUtf8Lossy(caption).c_str(),
              MB_OK | MB_ICONSTOP);
}

CloseChoice AskAboutRunningJobs(HWND owner) {
  UniqueHook hook(SetWindowsHookExW(WH_CBT, NameTheButtons, nullptr, GetCurrentThreadId()));
  const int answer = MessageBoxW(owner, WideFromUtf8Lossy(ui_text::kJobsRunning).c_str(),
                                 WideFromUtf8Lossy(ui_text::kCaption).c_str(),
                                 MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
  switch (answer) {
    case IDYES:
      return CloseChoice::kWait;
    case IDNO:
      return CloseChoice::kStop;
    default:
      return CloseChoice::kKeepOpen;
  }
}

}  // namespace hxf
