// What the window's logic needs of a toolkit. The logic (ui/window_logic.h) decides; a view only
// draws and answers. Every call comes on the UI thread unless it says otherwise.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/log_owner.h"

namespace hxf {

// The answer to "jobs still run: wait for them, or stop them?".
enum class CloseChoice {
  kWait,      // close once the last job has ended
  kStop,      // stop the jobs, then close
  kKeepOpen,  // do not close
};

// The progress bar: hidden, busy (some job does not know its size yet) or `value` steps of
// kProgressSteps done.
struct ProgressState {
  static constexpr int kProgressSteps = 1000;
  bool visible = false;
  bool busy = false;
  int value = 0;

  bool operator==(const ProgressState&) const = default;
};

class WindowView {
 public:
  virtual ~WindowView() = default;

  // Any thread.
  virtual bool OnUiThread() const = 0;
  // Any thread: runs `task` on the UI thread later, in the order posted, also while a modal
  // dialog or box runs.
  virtual void PostToUiThread(std::function<void()> task) = 0;
  // UI thread: runs `task` on the UI thread once `milliseconds` have passed.
  virtual void PostToUiThreadAfter(int milliseconds, std::function<void()> task) = 0;
  // Serves the UI thread's events, but no user input, until `done` is true; `done` is looked at
  // after each event.
  virtual void ServeEventsUntil(const std::function<bool()>& done) = 0;

  // Inserts `lines` at the top of the log, the first of them on top. The caret ends just after
  // the inserted lines, and whatever the user had selected is given up.
  virtual void InsertLogLines(const std::vector<std::string>& lines) = 0;

  // Shows a job's box without holding up the window or other jobs; calls `closed` once when it
  // closes, whether the user closes it or CloseMessageBoxes does.
  virtual void ShowMessageBox(const WorkerMessage& message, std::function<void()> closed) = 0;
  // Asks, as a job's box, what an unpack is to do with the files already in `folder`: replace
  // them, keep the ones the user changed, or cancel. Calls `answered` once when it closes: with
  // the user's choice, or kCancel when it closes otherwise (CloseMessageBoxes closes it too).
  virtual void AskAboutExistingFiles(const std::string& folder,
                                     std::function<void(ExistingFiles)> answered) = 0;
  // Closes every job's box and question.
  virtual void CloseMessageBoxes() = 0;
  // The program's standard error box (stop icon, one OK button); returns when it is closed.
  virtual void ShowErrorBox(const std::string& text, const std::string& caption) = 0;
  // Asks what to do about the jobs still running when the window is closed.
  virtual CloseChoice AskAboutRunningJobs() = 0;

  virtual void ShowProgress(const ProgressState& progress) = 0;
  // While on, calls `poll` every so often on the UI thread.
  virtual void PollProgress(bool on, std::function<void()> poll) = 0;
  // Whether the buttons and drops start jobs.
  virtual void EnableJobs(bool enabled) = 0;
  // Closes the window (the view then asks the logic again, through CloseRequested).
  virtual void CloseWindow() = 0;
};

}  // namespace hxf
