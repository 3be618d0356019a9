// A log owner for tests: it runs synchronized procedures at once on the calling thread (one at a
// time), keeps every line, and answers worker messages and questions without waiting for anyone.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/log_owner.h"
#include "core/worker.h"

namespace hxf::testing {

class RecordingLog : public LogOwner {
 public:
  void Synchronize(const std::function<void()>& procedure) override;
  void InsertLine(const LogLine& line) override;
  void ShowMessage(const WorkerMessage& message) override;
  // Gives the answer set by AnswerExistingFiles (kReplace until then), and notes the folder.
  ExistingFiles AskAboutExistingFiles(const std::string& folder) override;

  void AnswerExistingFiles(ExistingFiles answer);
  // The folders a job asked about, in order.
  std::vector<std::string> questions() const;

  // The lines in the order they were logged (oldest first).
  std::vector<LogLine> lines() const;
  std::vector<std::string> texts() const;
  // The lines as the window shows them: newest first.
  std::vector<std::string> NewestFirst() const;
  std::vector<WorkerMessage> messages() const;

 private:
  mutable std::recursive_mutex mutex_;
  std::vector<LogLine> lines_;
  std::vector<WorkerMessage> messages_;
  ExistingFiles answer_ = ExistingFiles::kReplace;
  std::vector<std::string> questions_;
};

// Resumes `worker` and waits until it has finished.
void RunToEnd(Worker& worker);

}  // namespace hxf::testing
