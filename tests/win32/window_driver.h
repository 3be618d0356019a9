// Helpers that drive the Win32 window in tests by its messages, as a user's clicks, keys and drops
// reach it, and find and answer the boxes it shows (the scripted file dialog is
// tests/window/scripted_dialog.h).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ui/win32/unit1.h"
#include "ui/window_layout.h"

namespace hxf::testing {

// Serves the window's messages, the user's as the program's own loop does, until `done` is true;
// false when it was not within 30 seconds, which only bounds a hang.
bool ServeUntil(TForm1& window, const std::function<bool()>& done);
// Serves what is queued now, without waiting for more.
void ServePending(TForm1& window);

// A click on a button, as the mouse's reaches it: its handler has run when this returns.
void Click(HWND button);

// The visible message boxes of this program with `caption`, oldest first.
std::vector<HWND> StandingBoxes(const std::string& caption);
// A box's text and whether it has each of its possible buttons.
std::string BoxText(HWND box);
bool BoxHasIcon(HWND box);
std::vector<int> BoxButtons(HWND box);
std::string BoxButtonText(HWND box, int id);
// Presses button `id` of a box, as a click would.
void PressBoxButton(HWND box, int id);

// Answers a box with `caption` on another thread as soon as it stands, so that also a modal box,
// which holds up the test's thread, is answered: `answer` gets the box and says which button to
// press. Answered() turns true once it has.
class BoxAnswerer {
 public:
  BoxAnswerer(std::string caption, std::function<int(HWND)> answer);
  ~BoxAnswerer();
  bool Answered() const { return *answered_; }

 private:
  std::shared_ptr<std::atomic<bool>> answered_ = std::make_shared<std::atomic<bool>>(false);
  std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
  std::thread thread_;
};

// The lines of a multi-line edit box, top first.
std::vector<std::string> LogLines(HWND memo);
std::string Utf8Text(HWND window);
// A component's bounds inside its parent's client area (a window's: on the screen, frame included).
layout::Bounds BoundsOf(HWND component);

// Files dropped on `window` as Explorer drops them (WM_DROPFILES); the window frees the drop.
void DropFiles(HWND window, const std::vector<std::string>& paths);

}  // namespace hxf::testing
