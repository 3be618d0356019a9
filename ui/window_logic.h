// The main window without a toolkit: which actions start which jobs, the log the jobs write to,
// their message boxes, the progress of all of them and what closing the window does. A view
// (ui/qt/, or any other toolkit) draws the window and forwards the user's actions here.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/log_owner.h"
#include "ui/common_dialog.h"
#include "ui/job_factory.h"
#include "ui/job_list.h"
#include "ui/window_view.h"

namespace hxf {

struct ProgramPaths {
  std::string executable;  // the program's own file (its name is the error box's caption)
  std::string directory;   // where both file dialogs start
};

class WindowLogic final : public LogOwner {
 public:
  WindowLogic(WindowView& view, CommonDialog& dialog, ProgramPaths program,
              JobFactory make_job = MakeJob);
  WindowLogic(const WindowLogic&) = delete;
  WindowLogic& operator=(const WindowLogic&) = delete;
  // Must be preceded by Shutdown() while the view can still serve events.
  ~WindowLogic() override = default;

  // "Unpack HXF" and "RePack HXF": the dialog, then a job on the chosen package.
  void Button1Click();
  void Button2Click();

  // The .hxf files among `paths` (UTF-8 paths of dropped files), in their order.
  static std::vector<std::string> PackagesAmong(const std::vector<std::string>& paths);
  // Whether a drop of `paths` is taken: only while jobs may start, and only with a package in it.
  bool TakesDrop(const std::vector<std::string>& paths) const;
  // Unpacks every package among `paths`; returns false (and starts nothing) when not taken.
  bool Drop(const std::vector<std::string>& paths);

  // The packages the program was started with (what "Open with" and a double-click give, UTF-8
  // paths): each is checked as `hxf verify` checks it, into the log, and the next "Unpack HXF"
  // dialog starts in the last one's folder with it chosen. Nothing is unpacked: unpacking
  // replaces files in out_hxf, which the user may have edited, so it stays an explicit click.
  void OpenPackages(const std::vector<std::string>& packages);

  // The user closes the window: true when it may close now; otherwise it stays, and the view
  // is told to close later if the user chose to wait.
  bool CloseRequested();
  // Stops every job and returns once all are released, serving events meanwhile so that no job
  // waits on its log forever.
  void Shutdown();

  // Jobs started and not yet released.
  std::size_t Jobs() const { return jobs_.size(); }
  // Of those, the ones doing work: not standing still behind their message box or question.
  std::size_t RunningJobs() const { return jobs_.size() - standing_boxes_; }
  void UpdateProgress();

  // LogOwner, from any thread. A worker's log procedure runs on the worker's own thread, one at
  // a time, and its line waits in a queue; the view gets the queue's lines in batches, a few
  // hundredths of a second apart, and all of a job's lines before the job is released. So a
  // worker waits for no other thread than the workers logging at the same moment.
  void Synchronize(const std::function<void()>& procedure) override;
  void InsertLine(const LogLine& line) override;
  void ShowMessage(const WorkerMessage& message) override;
  // The view's question, standing for its job only as a message box does; kCancel when the
  // window stops its jobs meanwhile.
  ExistingFiles AskAboutExistingFiles(const std::string& folder) override;
  void WorkerFinished(Worker& worker) override;

 private:
  // Prepares the dialog and shows it; the chosen path, or empty.
  std::string ChoosePackage(bool save);
  void StartJob(JobKind kind, const std::string& package);
  void ReleaseJob(const Worker* worker);
  void FlushLog();
  void OpenMessageBox(const WorkerMessage& message, std::function<void()> release);
  void OpenQuestion(const std::string& folder, std::function<void(ExistingFiles)> answer);
  // A job's box or question is to stand: false, counting nothing, once the jobs are being
  // stopped.
  bool BoxStands();
  void StopJobs();
  void CloseIfDone();

  WindowView& view_;
  CommonDialog& dialog_;
  ProgramPaths program_;
  JobFactory make_job_;
  JobList jobs_;
  std::size_t standing_boxes_ = 0;
  std::mutex serving_;  // one log procedure at a time
  std::mutex pending_mutex_;
  std::vector<std::string> pending_lines_;  // oldest first, not yet in the view
  bool flush_posted_ = false;               // a FlushLog is on its way
  bool stopping_ = false;                   // no more message boxes; jobs are being stopped
  bool close_when_done_ = false;  // the user closed the window and chose to let the jobs end
  std::string next_unpack_dir_;   // where the next "Unpack HXF" dialog starts, when not ours
};

}  // namespace hxf
