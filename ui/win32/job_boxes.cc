#include "ui/win32/job_boxes.h"

#include <algorithm>

#include "core/wide_string_win32.h"
#include "ui/win32/handles.h"
#include "ui/window_layout.h"

namespace hxf {

namespace {

// The box the hook of the current thread is for: each box thread shows one box.
thread_local JobBoxes::Box* current_box = nullptr;

}  // namespace

JobBoxes::~JobBoxes() {
  CloseAll();
  for (const auto& box : boxes_) {
    if (box->thread.joinable()) box->thread.join();
  }
}

void JobBoxes::Show(const WorkerMessage& message, std::function<void()> closed) {
  Ask({message.text, message.caption, message.detail},
      [closed = std::move(closed)](int) { closed(); });
}

void JobBoxes::Ask(const JobBox& shown, std::function<void(int)> answered) {
  // Boxes that have closed are let go of here, on the UI thread.
  std::erase_if(boxes_, [](const std::unique_ptr<Box>& box) {
    std::lock_guard lock(box->mutex);
    if (!box->gone || box->closed) return false;
    box->thread.join();
    return true;
  });

  auto box = std::make_unique<Box>();
  std::string text = shown.text;
  if (!shown.detail.empty()) text += "\n\n" + shown.detail;
  box->text = WideFromUtf8Lossy(text);
  box->caption = WideFromUtf8Lossy(shown.caption);
  box->style = shown.style;
  for (const auto& [id, button_text] : shown.button_texts) {
    box->button_texts.emplace_back(id, WideFromUtf8Lossy(button_text));
  }
  // A box with a Cancel button is closed by it; a box of one OK button by that.
  box->close_command = (shown.style & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
  box->closed = std::move(answered);
  // A box opened while others stand goes beside the last one, not exactly over it.
  box->cascade = static_cast<int>(std::count_if(
      boxes_.begin(), boxes_.end(), [](const auto& other) { return other->closed != nullptr; }));
  Box* standing = box.get();
  boxes_.push_back(std::move(box));
  standing->thread = std::thread([this, standing] {
    Run(*standing);
    post_([this, standing] { Forget(standing); });
  });
}

void JobBoxes::Run(Box& box) {
  current_box = &box;
  // The hook learns the box's window as the system makes it, so that CloseAll can close it.
  UniqueHook hook(SetWindowsHookExW(WH_CBT, OnBoxEvent, nullptr, GetCurrentThreadId()));
  // No owner: a box owned by the window would disable it while it stands.
  const int answer =
      MessageBoxW(nullptr, box.text.c_str(), box.caption.c_str(), box.style | MB_SETFOREGROUND);
  std::lock_guard lock(box.mutex);
  box.window = nullptr;
  box.gone = true;
  box.answer = answer;
}

LRESULT CALLBACK JobBoxes::OnBoxEvent(int code, WPARAM wparam, LPARAM lparam) {
  Box* box = current_box;
  if (code == HCBT_ACTIVATE && box != nullptr) {
    const auto window = reinterpret_cast<HWND>(wparam);
    std::lock_guard lock(box->mutex);
    if (box->window == nullptr) {
      box->window = window;
      for (const auto& [id, text] : box->button_texts) SetDlgItemTextW(window, id, text.c_str());
      RECT placed{};
      if (box->cascade > 0 && GetWindowRect(window, &placed)) {
        const int step = box->cascade * layout::kMessageBoxCascade;
        SetWindowPos(window, nullptr, placed.left + step, placed.top + step, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      if (box->close_asked) PostMessageW(window, WM_COMMAND, box->close_command, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void JobBoxes::Forget(Box* box) {
  // The user closed it: its job goes on.
  int answer = 0;
  {
    std::lock_guard lock(box->mutex);
    answer = box->answer;
  }
  if (box->closed) std::exchange(box->closed, nullptr)(answer);
}

void JobBoxes::CloseAll() {
  for (const auto& box : boxes_) {
    {
      std::lock_guard lock(box->mutex);
      box->close_asked = true;
      if (box->window != nullptr) PostMessageW(box->window, WM_COMMAND, box->close_command, 0);
    }
    if (box->closed) std::exchange(box->closed, nullptr)(0);
  }
}

}  // namespace hxf
