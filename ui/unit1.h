// The main window: two buttons that start the jobs, the log with the newest line on top, and the
// credits box. The window does no file work; it starts workers and owns the log they write to.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/log_owner.h"
#include "ui/common_dialog.h"
#include "ui/job_list.h"

class QMessageBox;
class QMimeData;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace hxf {

class TForm1 final : public QWidget, public LogOwner {
  Q_OBJECT

 public:
  // `dialog` serves both buttons; without one the window uses Qt's file dialogs.
  explicit TForm1(std::unique_ptr<CommonDialog> dialog = nullptr, QWidget* parent = nullptr);
  // Stops the running jobs and waits for them, still serving their log lines meanwhile.
  ~TForm1() override;

  QPushButton* Button1;   // "Unpack HXF"
  QPushButton* Button2;   // "RePack HXF"
  QPlainTextEdit* Memo1;  // the log, newest line first
  QPlainTextEdit* Memo2;  // the credits
  std::unique_ptr<CommonDialog> CD1;
  QProgressBar* Progress;  // shown only while jobs run

  // Jobs started and not yet released.
  std::size_t RunningJobs() const { return jobs_.size(); }

  // LogOwner: the log lines of every job, and the unpacker's message box.
  void Synchronize(const std::function<void()>& procedure) override;
  void InsertLine(const LogLine& line) override;
  void ShowMessage(const WorkerMessage& message) override;
  void WorkerFinished(Worker& worker) override;

 public slots:
  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct MessageWait;

  void CreateComponents();
  void SetUpLook();
  void FitFrameToBounds();

  // Prepares CD1 and shows its open or save dialog; the chosen path, or none.
  std::optional<QString> ChoosePackage(bool save);
  void StartUnpack(const QString& package);
  void StartRepack(const QString& package);
  void StartJob(std::unique_ptr<Worker> worker);
  void ReleaseJob(const Worker* worker);
  void UpdateProgress();

  void OpenWorkerMessage(const WorkerMessage& message, const std::shared_ptr<MessageWait>& wait);
  void CloseWorkerMessages();
  void StopJobs();
  void WaitForJobsServingEvents();

  // The .hxf files among dropped data.
  static QStringList PackagesIn(const QMimeData* data);
  bool AcceptPackageDrag(QDropEvent* event);

  JobList jobs_;
  QTimer progress_timer_;
  std::vector<QPointer<QMessageBox>> worker_messages_;
  bool stopping_ = false;         // no more message boxes; jobs are being stopped
  bool close_when_done_ = false;  // the user closed the window and chose to let the jobs end
  bool frame_fitted_ = false;
  std::function<void()> on_all_released_;
};

}  // namespace hxf
