// The jobs' message boxes ("文件打开的失败") and questions (an unpack's files already in its
// folder): each stands on a thread of its own, so that it holds up neither the window nor any
// other job, only the job that waits for it to close.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/log_owner.h"

namespace hxf {

// What a job's box shows: the system's box of `style` (MB_OK, MB_YESNOCANCEL, ...) with the
// detail under the text, and the words of those of its buttons that are not the system's own.
struct JobBox {
  std::string text;
  std::string caption;
  std::string detail;  // which file or folder, and why: several boxes may stand at once
  UINT style = MB_OK;
  std::vector<std::pair<int, std::string>> button_texts = {};  // by button id (IDYES, ...)
};

class JobBoxes {
 public:
  // `post` runs a task on the UI thread later.
  using Post = std::function<void(std::function<void()>)>;
  explicit JobBoxes(Post post) : post_(std::move(post)) {}
  JobBoxes(const JobBoxes&) = delete;
  JobBoxes& operator=(const JobBoxes&) = delete;
  // Closes the boxes still standing and waits for their threads.
  ~JobBoxes();

  // UI thread: shows the box; `closed` runs once on the UI thread when it closes, by the user's
  // hand or by CloseAll.
  void Show(const WorkerMessage& message, std::function<void()> closed);
  // UI thread: shows the box; `answered` runs once on the UI thread when it closes, with the id
  // of the button the user pressed, or 0 when CloseAll closed it.
  void Ask(const JobBox& shown, std::function<void(int)> answered);
  // UI thread: closes every box; their `closed` run before this returns.
  void CloseAll();

  // One box and its thread.
  struct Box {
    std::wstring text;
    std::wstring caption;
    UINT style = MB_OK;
    std::vector<std::pair<int, std::wstring>> button_texts;
    int close_command = IDOK;         // what CloseAll presses
    std::function<void(int)> closed;  // UI thread only; empty once called
    int cascade = 0;  // boxes standing when it opened: it goes that many steps from the middle

    std::mutex mutex;
    HWND window = nullptr;     // the box, once the system has made it
    bool close_asked = false;  // CloseAll came, possibly before the box was made
    bool gone = false;         // the box has closed
    int answer = 0;            // the button that closed it
    std::thread thread;
  };

 private:
  static void Run(Box& box);
  static LRESULT CALLBACK OnBoxEvent(int code, WPARAM wparam, LPARAM lparam);
  void Forget(Box* box);

  Post post_;
  std::vector<std::unique_ptr<Box>> boxes_;  // touched on the UI thread only
};

}  // namespace hxf
