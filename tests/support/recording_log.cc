#include "tests/support/recording_log.h"

#include <algorithm>

namespace hxf::testing {

void RecordingLog::Synchronize(const std::function<void()>& procedure) {
  std::lock_guard lock(mutex_);
  procedure();
}

void RecordingLog::InsertLine(const LogLine& line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(line);
}

void RecordingLog::ShowMessage(const WorkerMessage& message) {
  std::lock_guard lock(mutex_);
  messages_.push_back(message);
}

ExistingFiles RecordingLog::AskAboutExistingFiles(const std::string& folder) {
  std::lock_guard lock(mutex_);
  questions_.push_back(folder);
  return answer_;
}

void RecordingLog::AnswerExistingFiles(ExistingFiles answer) {
  std::lock_guard lock(mutex_);
  answer_ = answer;
}

std::vector<std::string> RecordingLog::questions() const {
  std::lock_guard lock(mutex_);
  return questions_;
}

std::vector<LogLine> RecordingLog::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::vector<std::string> RecordingLog::texts() const {
  std::vector<std::string> texts;
  for (const LogLine& line : lines()) texts.push_back(line.text);
  return texts;
}

std::vector<std::string> RecordingLog::NewestFirst() const {
  std::vector<std::string> texts = this->texts();
  std::reverse(texts.begin(), texts.end());
  return texts;
}

std::vector<WorkerMessage> RecordingLog::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

void RunToEnd(Worker& worker) {
  worker.Resume();
  worker.WaitFor();
}

}  // namespace hxf::testing
