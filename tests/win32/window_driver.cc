#include "tests/win32/window_driver.h"

#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstring>

#include "core/wide_string_win32.h"
#include "ui/win32/log_box.h"

namespace hxf::testing {

namespace {

constexpr auto kHangBound = std::chrono::seconds(30);
// A message box's text is the static control with this id, on every version of the system.
constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconId = 0x0440;

void ServeOne(TForm1& window, MSG& message) {
  if (window.PreTranslate(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

bool ServeUntil(TForm1& window, const std::function<bool()>& done) {
  const auto give_up = std::chrono::steady_clock::now() + kHangBound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ServeOne(window, message);
      continue;
    }
    // What `done` looks at may change on a job's thread, with no message: look again now and then.
    MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

void ServePending(TForm1& window) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ServeOne(window, message);
}

void Click(HWND button) {
  SendMessageW(button, BM_CLICK, 0, 0);
}

namespace {

struct BoxSearch {
  std::wstring caption;
  std::vector<HWND> found;
};

BOOL CALLBACK LookAtWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<BoxSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t window_class[16] = {};
  GetClassNameW(window, window_class, 16);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      std::wcscmp(window_class, L"#32770") == 0 && WindowText(window) == search.caption) {
    search.found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> StandingBoxes(const std::string& caption) {
  BoxSearch search{WideFromUtf8Lossy(caption), {}};
  EnumWindows(LookAtWindow, reinterpret_cast<LPARAM>(&search));
  // The system lists top-level windows newest first.
  return {search.found.rbegin(), search.found.rend()};
}

std::string BoxText(HWND box) {
  return Utf8Text(GetDlgItem(box, kBoxTextId));
}

bool BoxHasIcon(HWND box) {
  const HWND icon = GetDlgItem(box, kBoxIconId);
  return icon != nullptr && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
}

std::vector<int> BoxButtons(HWND box) {
  std::vector<int> buttons;
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    const HWND button = GetDlgItem(box, id);
    if (button != nullptr && IsWindowVisible(button)) buttons.push_back(id);
  }
  return buttons;
}

std::string BoxButtonText(HWND box, int id) {
  return Utf8Text(GetDlgItem(box, id));
}

void PressBoxButton(HWND box, int id) {
  PostMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0);
}

BoxAnswerer::BoxAnswerer(std::string caption, std::function<int(HWND)> answer) {
  thread_ = std::thread([caption = std::move(caption), answer = std::move(answer),
                         answered = answered_, stop = stop_] {
    const auto give_up = std::chrono::steady_clock::now() + kHangBound;
    while (!*stop && std::chrono::steady_clock::now() < give_up) {
      const std::vector<HWND> boxes = StandingBoxes(caption);
      if (!boxes.empty()) {
        PressBoxButton(boxes.back(), answer(boxes.back()));
        *answered = true;
        return;
      }
      Sleep(5);
    }
  });
}

BoxAnswerer::~BoxAnswerer() {
  *stop_ = true;
  thread_.join();
}

std::vector<std::string> LogLines(HWND memo) {
  const std::string text = Utf8Text(memo);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string Utf8Text(HWND window) {
  return Utf8FromWideLossy(WindowText(window));
}

layout::Bounds BoundsOf(HWND component) {
  RECT bounds{};
  GetWindowRect(component, &bounds);
  if (const HWND parent = GetParent(component); parent != nullptr) {
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&bounds), 2);
  }
  return {bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void DropFiles(HWND window, const std::vector<std::string>& paths) {
  std::wstring names;
  for (const std::string& path : paths) names += WideFromUtf8Lossy(path) + L'\0';
  names += L'\0';
  const std::size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(),
              names.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

}  // namespace hxf::testing
