// The main window in Qt: two buttons that start the jobs, the log with the newest line on top,
// and the credits box. It only draws and forwards; what the window does is ui/window_logic.h.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/common_dialog.h"
#include "ui/job_factory.h"
#include "ui/qt/log_box.h"
#include "ui/window_logic.h"
#include "ui/window_view.h"

class QDropEvent;
class QMessageBox;
class QMimeData;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace hxf {

class TForm1 final : public QWidget, private WindowView {
  Q_OBJECT

 public:
  // `dialog` serves both buttons; without one the window uses Qt's file dialogs. `make_job`
  // makes every job the window starts.
  explicit TForm1(std::unique_ptr<CommonDialog> dialog = nullptr, JobFactory make_job = MakeJob);
  // Stops the running jobs and waits for them, still serving their log lines meanwhile.
  ~TForm1() override;

  QPushButton* Button1;   // "Unpack HXF"
  QPushButton* Button2;   // "RePack HXF"
  LogBox* Memo1;          // the log, newest line first
  QPlainTextEdit* Memo2;  // the credits
  std::unique_ptr<CommonDialog> CD1;
  QProgressBar* Progress;  // shown only while jobs run

  // The packages the program was given: checked into the log, never unpacked
  // (WindowLogic::OpenPackages).
  void OpenPackages(const std::vector<std::string>& packages) { logic_->OpenPackages(packages); }

  // Jobs started and not yet released.
  std::size_t RunningJobs() const { return logic_->Jobs(); }
  // The log owner the jobs write to.
  LogOwner& Log() { return *logic_; }

  // Runs `procedure` as a job's log line does: one at a time, and returns once it has run.
  void Synchronize(const std::function<void()>& procedure) { logic_->Synchronize(procedure); }
  // Puts `line` at the top of the log at once.
  void InsertLine(const LogLine& line) { InsertLogLines({line.text}); }

 public slots:
  void Button1Click() { logic_->Button1Click(); }
  void Button2Click() { logic_->Button2Click(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateComponents();
  void SetUpLook();
  void FitFrameToBounds();

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

  // A drag or drop of files: taken when it holds a package; true when it was one of files at all.
  bool HandleFileDrop(QDropEvent* event, bool drop);
  // Shows a job's box beside the others, holding up nothing; `closed` runs once when it closes.
  void StandJobBox(QMessageBox* box, std::function<void()> closed);
  QMessageBox* LastStandingBox() const;
  // Enter on a focused button presses it, as Space does.
  bool PressOnEnter(QObject* watched, QEvent* event);

  std::unique_ptr<WindowLogic> logic_;
  QTimer progress_timer_;
  std::function<void()> poll_progress_;
  std::vector<QPointer<QMessageBox>> message_boxes_;
  bool frame_fitted_ = false;
};

}  // namespace hxf
