#include "ui/window_logic.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "core/file_system.h"
#include "ui/error_box_text.h"
#include "ui/window_texts.h"

namespace hxf {

namespace {

// How long a log line may wait for the lines after it: short enough to read as at once.
constexpr int kLogFlushMs = 40;

bool HasPackageExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == "hxf";
}

// A worker waiting for its message box to be closed, or its question answered. Given its answer
// exactly once, on the UI thread, whether the user closes the box or the window takes it down;
// a later answer changes nothing. A mutex and a condition variable, not std::binary_semaphore:
// where the system has no futex (mingw-w64's libstdc++ on Windows), the semaphore's wait can miss
// a release that comes just as the worker goes to sleep, and the worker would then wait for ever.
template <class Answer>
class WorkerWait {
 public:
  void Give(Answer answer) {
    {
      std::lock_guard lock(mutex_);
      if (given_) return;
      answer_ = answer;
      given_ = true;
    }
    given_changed_.notify_all();
  }
  Answer Wait() {
    std::unique_lock lock(mutex_);
    given_changed_.wait(lock, [this] { return given_; });
    return answer_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable given_changed_;
  bool given_ = false;
  Answer answer_{};
};

struct Dismissed {};

}  // namespace

WindowLogic::WindowLogic(WindowView& view, CommonDialog& dialog, ProgramPaths program,
                         JobFactory make_job)
    : view_(view), dialog_(dialog), program_(std::move(program)), make_job_(std::move(make_job)) {}

// --- Starting jobs ---

std::string WindowLogic::ChoosePackage(bool save) {
  const bool opened_folder = !save && !next_unpack_dir_.empty();
  const std::string& directory = opened_folder ? next_unpack_dir_ : program_.directory;
  for (const Status& status :
       {dialog_.SetInitDir(directory), dialog_.SetFilter(ui_text::kPackageFilter)}) {
    if (!status.ok()) {
      view_.ShowErrorBox(ErrorBoxText(status.message()), ProgramTitle(program_.executable));
      return {};
    }
  }
  if (opened_folder) next_unpack_dir_.clear();  // only the first dialog after the opening
  // A cancelled dialog starts nothing: the name left from an earlier choice is not this one's.
  const bool chosen = save ? dialog_.ShowSave() : dialog_.ShowOpen();
  return chosen ? dialog_.FileName() : std::string();
}

void WindowLogic::Button1Click() {
  if (close_when_done_) return;
  if (std::string package = ChoosePackage(false); !package.empty()) {
    StartJob(JobKind::kUnpack, package);
  }
}

void WindowLogic::Button2Click() {
  if (close_when_done_) return;
  if (std::string package = ChoosePackage(true); !package.empty()) {
    StartJob(JobKind::kRepack, package);
  }
}

std::vector<std::string> WindowLogic::PackagesAmong(const std::vector<std::string>& paths) {
  std::vector<std::string> packages;
  std::copy_if(paths.begin(), paths.end(), std::back_inserter(packages), HasPackageExtension);
  return packages;
}

bool WindowLogic::TakesDrop(const std::vector<std::string>& paths) const {
  return !close_when_done_ && !PackagesAmong(paths).empty();
}

bool WindowLogic::Drop(const std::vector<std::string>& paths) {
  if (!TakesDrop(paths)) return false;
  for (const std::string& package : PackagesAmong(paths)) StartJob(JobKind::kUnpack, package);
  return true;
}

void WindowLogic::OpenPackages(const std::vector<std::string>& packages) {
  if (close_when_done_ || packages.empty()) return;
  for (const std::string& package : packages) StartJob(JobKind::kVerify, package);
  const std::string& last = packages.back();
  // A bare file name lies in the current folder.
  const std::string directory = DirectoryPart(last);
  next_unpack_dir_ = directory.empty() ? "." : directory;
  dialog_.SetFileName(last);
}

void WindowLogic::StartJob(JobKind kind, const std::string& package) {
  jobs_.Add(make_job_(kind, *this, package)).Resume();
  UpdateProgress();
  view_.PollProgress(true, [this] { UpdateProgress(); });
}

void WindowLogic::WorkerFinished(Worker& worker) {
  // Called on the worker's thread as its last act: the join happens on the UI thread.
  const Worker* finished = &worker;
  view_.PostToUiThread([this, finished] { ReleaseJob(finished); });
}

void WindowLogic::ReleaseJob(const Worker* worker) {
  FlushLog();  // a job is over once all its lines show
  jobs_.Release(worker);
  UpdateProgress();
  if (jobs_.empty()) view_.PollProgress(false, nullptr);
  CloseIfDone();
}

void WindowLogic::UpdateProgress() {
  ProgressState shown;
  if (!jobs_.empty()) {
    shown.visible = true;
    const JobList::Progress progress = jobs_.Combined();
    shown.busy = !progress.known || progress.total == 0;
    if (!shown.busy) {
      shown.value =
          static_cast<int>(progress.done * ProgressState::kProgressSteps / progress.total);
    }
  }
  view_.ShowProgress(shown);
}

// --- The log ---

void WindowLogic::Synchronize(const std::function<void()>& procedure) {
  // A worker's procedure only hands its line to InsertLine, which queues it: it runs here, on
  // the worker's thread, one at a time. Waiting for the UI thread would cost each line a round
  // trip between the threads, and the worker all the time the UI thread spends drawing.
  std::lock_guard serve(serving_);
  procedure();
}

void WindowLogic::InsertLine(const LogLine& line) {
  // Drawing the log costs far more per insertion than per line: the lines of the next few
  // hundredths of a second go in together.
  std::lock_guard lock(pending_mutex_);
  pending_lines_.push_back(line.text);
  if (flush_posted_) return;
  flush_posted_ = true;
  view_.PostToUiThread([this] { view_.PostToUiThreadAfter(kLogFlushMs, [this] { FlushLog(); }); });
}

void WindowLogic::FlushLog() {
  std::vector<std::string> lines;
  {
    std::lock_guard lock(pending_mutex_);
    lines.swap(pending_lines_);
    flush_posted_ = false;
  }
  if (lines.empty()) return;
  std::reverse(lines.begin(), lines.end());  // newest first
  view_.InsertLogLines(lines);
}

// --- The unpacker's message box and question ---

void WindowLogic::ShowMessage(const WorkerMessage& message) {
  auto wait = std::make_shared<WorkerWait<Dismissed>>();
  auto release = [wait] { wait->Give({}); };
  if (view_.OnUiThread()) {
    // Nothing on the UI thread may wait on the user here; the box stands on its own.
    OpenMessageBox(message, release);
    return;
  }
  view_.PostToUiThread([this, message, release] { OpenMessageBox(message, release); });
  wait->Wait();  // only this worker waits; the window and other jobs go on
}

void WindowLogic::OpenMessageBox(const WorkerMessage& message, std::function<void()> release) {
  if (!BoxStands()) {
    release();
    return;
  }
  view_.ShowMessageBox(message, [this, release] {
    --standing_boxes_;
    release();
  });
  CloseIfDone();
}

ExistingFiles WindowLogic::AskAboutExistingFiles(const std::string& folder) {
  // Nothing on the UI thread may wait on the user, and no answer comes without waiting.
  if (view_.OnUiThread()) return ExistingFiles::kCancel;
  auto wait = std::make_shared<WorkerWait<ExistingFiles>>();
  view_.PostToUiThread([this, folder, wait] {
    OpenQuestion(folder, [wait](ExistingFiles answer) { wait->Give(answer); });
  });
  return wait->Wait();
}

void WindowLogic::OpenQuestion(const std::string& folder,
                               std::function<void(ExistingFiles)> answer) {
  if (!BoxStands()) {
    answer(ExistingFiles::kCancel);
    return;
  }
  view_.AskAboutExistingFiles(folder, [this, answer](ExistingFiles choice) {
    --standing_boxes_;
    answer(choice);
  });
  CloseIfDone();
}

bool WindowLogic::BoxStands() {
  if (stopping_) return false;
  // Counted apart: a job behind its box does no work, so a window waiting to close need not wait
  // for it (CloseIfDone).
  ++standing_boxes_;
  return true;
}

// --- Closing ---

bool WindowLogic::CloseRequested() {
  if (RunningJobs() > 0) {
    switch (view_.AskAboutRunningJobs()) {
      case CloseChoice::kKeepOpen:
        close_when_done_ = false;
        view_.EnableJobs(true);
        return false;
      case CloseChoice::kStop:
        StopJobs();
        break;
      case CloseChoice::kWait:
        break;
    }
  }
  if (RunningJobs() == 0) {  // none ran, or they ended while the question stood
    StopJobs();              // what is left stands behind a box, which goes with the window
    return true;
  }
  // The view closes the window once the last job is done; its events keep being served
  // meanwhile, so a job waiting on its log is never stuck.
  close_when_done_ = true;
  view_.EnableJobs(false);
  return false;
}

void WindowLogic::CloseIfDone() {
  if (close_when_done_ && RunningJobs() == 0) view_.CloseWindow();
}

void WindowLogic::StopJobs() {
  stopping_ = true;
  jobs_.CancelAll();
  view_.CloseMessageBoxes();
}

void WindowLogic::Shutdown() {
  close_when_done_ = false;
  view_.PollProgress(false, nullptr);
  StopJobs();
  view_.ServeEventsUntil([this] { return jobs_.empty(); });
  FlushLog();
}

}  // namespace hxf
