// The owner of the log: the thread that shows log lines, and the one place a worker's lines
// travel to. The command line prints them; the window inserts them at the top of its log box.
#pragma once

#include <functional>
#include <string>

namespace hxf {

class Worker;

// What a log line is about. Every line is shown in the window; the command line uses the kind to
// decide what to print at each verbosity.
enum class LogKind {
  kProgress,  // a step of a job going as planned
  kProblem,   // something refused, skipped or wrong
  kFinal,     // the last line of a job that ran to its end
};

struct LogLine {
  std::string text;
  LogKind kind = LogKind::kProgress;
};

// A message a worker must show and wait on (the unpacker's open failure).
struct WorkerMessage {
  std::string text;
  std::string caption;
  std::string detail;  // the file and the reason, for owners that can show more than the text
};

// What an unpack does with the files already in the folder it writes into.
enum class ExistingFiles {
  kReplace,  // each entry replaces the file at its name, as `tar x` does
  kKeep,     // a file that differs from its entry is left as it is, and named in the log
  kCancel,   // nothing is written: the job ends cancelled (only ever an answer to the question)
};

// What every implementation keeps: the procedures of all workers run one at a time, oldest first,
// and a worker's call returns only once its procedure has run. Both owners run each procedure
// on the worker's own thread under one lock: the command line because a terminal has no thread
// of its own to show lines on, the window because a call into its UI thread per line costs more
// than the job's own work. The window's procedure only queues the line; its UI thread, the only
// one that may touch its widgets, draws the queue in the order the lines were logged.
class LogOwner {
 public:
  virtual ~LogOwner() = default;

  // Runs `procedure` on the owner's behalf and returns once it has run. Calls from any number of
  // workers are served one at a time, oldest first.
  virtual void Synchronize(const std::function<void()>& procedure) = 0;
  // Shows a line; called only from a procedure that Synchronize runs.
  virtual void InsertLine(const LogLine& line) = 0;
  // Shows `message` and returns when the user has dismissed it. Called on the worker's thread;
  // it holds up only that worker.
  virtual void ShowMessage(const WorkerMessage& message) = 0;
  // Asks what to do with the files already in `folder`, before an unpack writes there, and
  // returns the answer. Called on the worker's thread; it holds up only that worker.
  virtual ExistingFiles AskAboutExistingFiles(const std::string& folder) = 0;
  // Called on the worker's thread as its last act; the worker may be destroyed once this returns
  // and the thread has been joined.
  virtual void WorkerFinished(Worker& worker) { (void)worker; }
};

}  // namespace hxf
