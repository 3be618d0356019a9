// A view for testing the window's logic without a toolkit: the thread that makes it is the UI
// thread, which serves posted tasks and workers' calls when the test says so, and everything the
// logic shows is recorded.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/window_view.h"

namespace hxf::testing {

class FakeUiThread final : public WindowView {
 public:
  struct Box {
    WorkerMessage message;
    std::function<void()> closed;
    bool open = true;
  };
  struct Question {
    std::string folder;
    std::function<void(ExistingFiles)> answered;
    bool open = true;
  };
  struct ErrorBox {
    std::string text;
    std::string caption;
  };

  FakeUiThread() : ui_thread_(std::this_thread::get_id()) {}

  // Runs what is queued now, without waiting for more.
  void ServePending();
  // The user closes box `index`.
  void CloseBox(std::size_t index);
  std::size_t OpenBoxes() const;
  // The user answers the unpack question `index`.
  void Answer(std::size_t index, ExistingFiles choice);
  std::size_t OpenQuestions() const;

  // WindowView
  bool OnUiThread() const override { return std::this_thread::get_id() == ui_thread_; }
  void PostToUiThread(std::function<void()> task) override;
  // Time does not pass here: the task is only queued behind what is queued now.
  void PostToUiThreadAfter(int, std::function<void()> task) override { PostToUiThread(task); }
  void ServeEventsUntil(const std::function<bool()>& done) override;
  void InsertLogLines(const std::vector<std::string>& lines) override;
  void ShowMessageBox(const WorkerMessage& message, std::function<void()> closed) override;
  void AskAboutExistingFiles(const std::string& folder,
                             std::function<void(ExistingFiles)> answered) override;
  void CloseMessageBoxes() override;
  void ShowErrorBox(const std::string& text, const std::string& caption) override;
  CloseChoice AskAboutRunningJobs() override;
  void ShowProgress(const ProgressState& progress) override { this->progress = progress; }
  void PollProgress(bool on, std::function<void()> poll) override;
  void EnableJobs(bool enabled) override { jobs_enabled = enabled; }
  void CloseWindow() override;

  // What the view shows, as of the last served task.
  std::vector<std::string> log;         // top first
  std::vector<std::size_t> insertions;  // the number of lines of each insertion into the log
  std::vector<Box> boxes;
  std::vector<Question> unpack_questions;  // about the files in an unpack's folder
  std::vector<ErrorBox> error_boxes;
  ProgressState progress;
  bool polling = false;
  std::function<void()> poll;
  bool jobs_enabled = true;
  bool window_closed = false;

  // The answers to the close question, oldest first; and how often it was asked.
  std::deque<CloseChoice> close_answers;
  int questions = 0;
  // What CloseWindow asks: the logic's CloseRequested.
  std::function<bool()> close_requested;

 private:
  std::function<void()> NextTask(bool wait);

  const std::thread::id ui_thread_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace hxf::testing
