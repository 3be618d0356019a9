// The main window in Win32: two buttons that start the jobs, the log with the newest line on top,
// the credits box and the progress bar. It only draws and forwards; what the window does is
// ui/window_logic.h. Every member is used on the thread that created the window.
#pragma once

#include <windows.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/status.h"
#include "ui/common_dialog.h"
#include "ui/job_factory.h"
#include "ui/win32/handles.h"
#include "ui/win32/job_boxes.h"
#include "ui/window_logic.h"
#include "ui/window_view.h"

namespace hxf {

class TForm1 final : private WindowView {
 public:
  // The window, not yet shown. `dialog` serves both buttons; without one the window uses the
  // system's file dialogs. `make_job` makes every job the window starts.
  static Result<std::unique_ptr<TForm1>> Create(std::unique_ptr<CommonDialog> dialog = nullptr,
                                                JobFactory make_job = MakeJob);
  // Stops the running jobs and waits for them, still serving their log lines meanwhile.
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND Handle() const { return window_.get(); }
  HWND Button1 = nullptr;  // "Unpack HXF"
  HWND Button2 = nullptr;  // "RePack HXF"
  HWND Memo1 = nullptr;    // the log, newest line first
  HWND Memo2 = nullptr;    // the credits
  std::unique_ptr<CommonDialog> CD1;
  HWND Progress = nullptr;  // shown only while jobs run

  void Show(int how = SW_SHOWNORMAL);
  // Runs once the user's close has been granted; the window is hidden by then.
  void OnClosed(std::function<void()> closed) { on_closed_ = std::move(closed); }
  bool Closed() const { return closed_; }

  // Does what the window makes of `message` before it is dispatched: Enter presses a focused
  // button, and Tab, Space and the arrows move as in a dialog. True when nothing is left to do.
  bool PreTranslate(MSG& message);

  // The packages the program was given: checked into the log, never unpacked
  // (WindowLogic::OpenPackages).
  void OpenPackages(const std::vector<std::string>& packages) { logic_->OpenPackages(packages); }

  // Jobs started and not yet released.
  std::size_t RunningJobs() const { return logic_->Jobs(); }
  // The log owner the jobs write to.
  LogOwner& Log() { return *logic_; }

 private:
  TForm1(std::unique_ptr<CommonDialog> dialog, JobFactory make_job);
  Status CreateComponents();
  void PlaceComponents(UINT dpi);

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(WORD id, WORD code);
  void OnTimer(UINT_PTR id);
  void OnDropFiles(HDROP drop);
  void OnClose();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnActivate(bool active);
  void RunNextTask();

  // WindowView
  bool OnUiThread() const override;
  void PostToUiThread(std::function<void()> task) override;
  void PostToUiThreadAfter(int milliseconds, std::function<void()> task) override;
  void ServeEventsUntil(const std::function<bool()>& done) override;
  void InsertLogLines(const std::vector<std::string>& lines) override;
  void ShowMessageBox(const WorkerMessage& message, std::function<void()> closed) override;
  void AskAboutExistingFiles(const std::string& folder,
                             std::function<void(ExistingFiles)> answered) override;
  void CloseMessageBoxes() override;
  void ShowErrorBox(const std::string& text, const std::string& caption) override;
  CloseChoice AskAboutRunningJobs() override;
  void ShowProgress(const ProgressState& progress) override;
  void PollProgress(bool on, std::function<void()> poll) override;
  void EnableJobs(bool enabled) override;
  void CloseWindow() override;

  const DWORD ui_thread_;
  UniqueWindow window_;
  UniqueFont font_;
  // Kept until the boxes' threads have gone: the last thing such a thread does is post a task.
  std::mutex tasks_mutex_;
  std::deque<std::function<void()>> tasks_;  // posted, oldest first; one message each
  std::map<UINT_PTR, std::function<void()>> timed_tasks_;
  UINT_PTR next_timer_ = 0;
  std::function<void()> poll_progress_;
  JobBoxes boxes_;
  std::unique_ptr<WindowLogic> logic_;
  std::function<void()> on_closed_;
  bool closed_ = false;
  HWND focus_ = nullptr;  // the component to give the focus back to when the window is active
};

}  // namespace hxf
