#include "tests/window/fake_ui_thread.h"

#include <gtest/gtest.h>

namespace hxf::testing {

std::function<void()> FakeUiThread::NextTask(bool wait) {
  std::unique_lock lock(mutex_);
  if (wait) queued_.wait(lock, [this] { return !tasks_.empty(); });
  if (tasks_.empty()) return nullptr;
  std::function<void()> task = std::move(tasks_.front());
  tasks_.pop_front();
  return task;
}

void FakeUiThread::ServePending() {
  while (std::function<void()> task = NextTask(false)) task();
}

void FakeUiThread::ServeEventsUntil(const std::function<bool()>& done) {
  while (!done()) NextTask(true)();
}

void FakeUiThread::PostToUiThread(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  queued_.notify_one();
}

void FakeUiThread::InsertLogLines(const std::vector<std::string>& lines) {
  log.insert(log.begin(), lines.begin(), lines.end());
  insertions.push_back(lines.size());
}

void FakeUiThread::ShowMessageBox(const WorkerMessage& message, std::function<void()> closed) {
  boxes.push_back({message, std::move(closed)});
}

void FakeUiThread::CloseBox(std::size_t index) {
  Box& box = boxes.at(index);
  ASSERT_TRUE(box.open);
  box.open = false;
  box.closed();
}

std::size_t FakeUiThread::OpenBoxes() const {
  std::size_t open = 0;
  for (const Box& box : boxes) open += box.open ? 1 : 0;
  return open;
}

void FakeUiThread::AskAboutExistingFiles(const std::string& folder,
                                         std::function<void(ExistingFiles)> answered) {
  unpack_questions.push_back({folder, std::move(answered)});
}

void FakeUiThread::Answer(std::size_t index, ExistingFiles choice) {
  Question& question = unpack_questions.at(index);
  ASSERT_TRUE(question.open);
  question.open = false;
  question.answered(choice);
}

std::size_t FakeUiThread::OpenQuestions() const {
  std::size_t open = 0;
  for (const Question& question : unpack_questions) open += question.open ? 1 : 0;
  return open;
}

void FakeUiThread::CloseMessageBoxes() {
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    if (boxes[i].open) CloseBox(i);
  }
  for (std::size_t i = 0; i < unpack_questions.size(); ++i) {
    if (unpack_questions[i].open) Answer(i, ExistingFiles::kCancel);
  }
}

void FakeUiThread::ShowErrorBox(const std::string& text, const std::string& caption) {
  error_boxes.push_back({text, caption});
}

CloseChoice FakeUiThread::AskAboutRunningJobs() {
  ++questions;
  if (close_answers.empty()) {
    ADD_FAILURE() << "asked about running jobs with no answer scripted";
    return CloseChoice::kKeepOpen;
  }
  const CloseChoice answer = close_answers.front();
  close_answers.pop_front();
  return answer;
}

void FakeUiThread::PollProgress(bool on, std::function<void()> poll) {
  polling = on;
  this->poll = std::move(poll);
}

void FakeUiThread::CloseWindow() {
  if (close_requested && close_requested()) window_closed = true;
}

}  // namespace hxf::testing
