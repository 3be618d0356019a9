#include "ui/unit1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QThread>
#include <QUrl>
#include <semaphore>

#include "pack/package.h"
#include "ui/error_box.h"
#include "ui/window_texts.h"
#include "unpack/extract.h"

namespace hxf {

namespace {

// The window's outer bounds, frame included, and its components' bounds inside it.
constexpr QRect kWindowBounds(256, 113, 333, 550);
constexpr QRect kButton1Bounds(16, 5, 97, 25);
constexpr QRect kButton2Bounds(120, 5, 97, 25);
constexpr QRect kMemo1Bounds(16, 32, 297, 409);
constexpr QRect kMemo2Bounds(16, 448, 297, 57);
// Right of Button2, level with it, ending where the log ends.
constexpr QRect kProgressBounds(224, 9, 89, 17);

constexpr int kProgressSteps = 1000;
constexpr int kProgressPollMs = 100;

enum class CloseChoice { kWait, kStop, kKeepOpen };

CloseChoice AskAboutRunningJobs(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, ui_text::kCaption, ui_text::kJobsRunning,
                  QMessageBox::NoButton, parent);
  QPushButton* wait = box.addButton(ui_text::kWait, QMessageBox::AcceptRole);
  QPushButton* stop = box.addButton(ui_text::kStop, QMessageBox::DestructiveRole);
  QPushButton* keep_open = box.addButton(ui_text::kKeepOpen, QMessageBox::RejectRole);
  box.setDefaultButton(wait);
  box.setEscapeButton(keep_open);
  box.exec();
  if (box.clickedButton() == wait) return CloseChoice::kWait;
  if (box.clickedButton() == stop) return CloseChoice::kStop;
  return CloseChoice::kKeepOpen;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const QRect& bounds) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setGeometry(bounds);
  memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setMaximumBlockCount(0);   // no length limit
  memo->setTabChangesFocus(true);  // Tab walks the window's tab order rather than typing a tab
  return memo;
}

}  // namespace

// A worker waiting for its message box to be closed. Released exactly once, on the window's
// thread, whether the user closes the box or the window takes it down.
struct TForm1::MessageWait {
  std::binary_semaphore closed{0};
  bool released = false;
  void Release() {
    if (released) return;
    released = true;
    closed.release();
  }
};

TForm1::TForm1(std::unique_ptr<CommonDialog> dialog, QWidget* parent)
    : QWidget(parent, Qt::Window), CD1(std::move(dialog)) {
  if (!CD1) CD1 = std::make_unique<FileCommonDialog>(this);
  CreateComponents();
  SetUpLook();
  progress_timer_.setInterval(kProgressPollMs);
  connect(&progress_timer_, &QTimer::timeout, this, &TForm1::UpdateProgress);
}

TForm1::~TForm1() {
  progress_timer_.stop();
  close_when_done_ = false;
  StopJobs();
  WaitForJobsServingEvents();
}

void TForm1::CreateComponents() {
  Button1 = new QPushButton(ui_text::kUnpackButton, this);
  Button1->setGeometry(kButton1Bounds);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);

  Button2 = new QPushButton(ui_text::kRepackButton, this);
  Button2->setGeometry(kButton2Bounds);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);

  Memo1 = MakeMemo(this, kMemo1Bounds);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->viewport()->installEventFilter(this);

  Memo2 = MakeMemo(this, kMemo2Bounds);
  Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QStringList credits;
  for (const char* line : ui_text::kCredits) credits << QString::fromUtf8(line);
  Memo2->setPlainText(credits.join(u'\n'));
  Memo2->viewport()->installEventFilter(this);

  Progress = new QProgressBar(this);
  Progress->setGeometry(kProgressBounds);
  Progress->setFocusPolicy(Qt::NoFocus);
  Progress->setTextVisible(false);
  Progress->hide();

  setTabOrder(Button1, Button2);
  setTabOrder(Button2, Memo1);
  setTabOrder(Memo1, Memo2);
}

void TForm1::SetUpLook() {
  setWindowTitle(ui_text::kCaption);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  setFont(font);
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
  setAcceptDrops(true);
  // Until the frame is known, the bounds go to the client area; showEvent corrects that.
  move(kWindowBounds.topLeft());
  resize(kWindowBounds.size());
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FitFrameToBounds();
}

void TForm1::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  FitFrameToBounds();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitFrameToBounds();
}

void TForm1::FitFrameToBounds() {
  // The window manager reports its frame only some time after the window is mapped (and without
  // one there is no frame): once it has, the client area gets what the frame leaves.
  if (frame_fitted_ || !isVisible()) return;
  const QSize frame = frameGeometry().size() - geometry().size();
  if (frame.isNull()) return;
  frame_fitted_ = true;
  resize(kWindowBounds.size() - frame);
  move(kWindowBounds.topLeft());
}

// --- Starting jobs ---

std::optional<QString> TForm1::ChoosePackage(bool save) {
  for (const Status& status : {CD1->SetInitDir(QCoreApplication::applicationDirPath()),
                               CD1->SetFilter(ui_text::kPackageFilter)}) {
    if (!status.ok()) {
      ShowErrorBox(this, QString::fromStdString(status.message()));
      return std::nullopt;
    }
  }
  // A cancelled dialog starts nothing: the name left from an earlier choice is not this one's.
  const bool chosen = save ? CD1->ShowSave() : CD1->ShowOpen();
  if (!chosen || CD1->FileName().isEmpty()) return std::nullopt;
  return CD1->FileName();
}

void TForm1::Button1Click() {
  if (auto package = ChoosePackage(false)) StartUnpack(*package);
}

void TForm1::Button2Click() {
  if (auto package = ChoosePackage(true)) StartRepack(*package);
}

void TForm1::StartUnpack(const QString& package) {
  StartJob(MakeWorker<TExtract>(*this, QFile::encodeName(package).toStdString()));
}

void TForm1::StartRepack(const QString& package) {
  StartJob(MakeWorker<TPackage>(*this, QFile::encodeName(package).toStdString()));
}

void TForm1::StartJob(std::unique_ptr<Worker> worker) {
  jobs_.Add(std::move(worker)).Resume();
  UpdateProgress();
  progress_timer_.start();
}

void TForm1::WorkerFinished(Worker& worker) {
  // Called on the worker's thread as its last act: the join happens here, on the window's thread.
  const Worker* finished = &worker;
  QMetaObject::invokeMethod(
      this, [this, finished] { ReleaseJob(finished); }, Qt::QueuedConnection);
}

void TForm1::ReleaseJob(const Worker* worker) {
  jobs_.Release(worker);
  UpdateProgress();
  if (!jobs_.empty()) return;
  progress_timer_.stop();
  if (on_all_released_) on_all_released_();
  if (close_when_done_) close();
}

void TForm1::UpdateProgress() {
  if (jobs_.empty()) {
    Progress->hide();
    return;
  }
  const JobList::Progress progress = jobs_.Combined();
  if (progress.known && progress.total > 0) {
    Progress->setRange(0, kProgressSteps);
    Progress->setValue(static_cast<int>(progress.done * kProgressSteps / progress.total));
  } else {
    Progress->setRange(0, 0);  // busy: some job does not know its size yet
  }
  Progress->show();
}

// --- The log ---

void TForm1::Synchronize(const std::function<void()>& procedure) {
  if (QThread::currentThread() == thread()) {
    procedure();
    return;
  }
  // Queued calls are served in the order they were made, also while a modal dialog runs.
  QMetaObject::invokeMethod(
      this, [&procedure] { procedure(); }, Qt::BlockingQueuedConnection);
}

void TForm1::InsertLine(const LogLine& line) {
  QTextCursor cursor(Memo1->document());
  cursor.movePosition(QTextCursor::Start);
  cursor.insertText(QString::fromUtf8(line.text) + u'\n');
  // The caret ends just after the new line, and whatever the user had selected is given up.
  Memo1->setTextCursor(cursor);
}

// --- The unpacker's message box ---

void TForm1::ShowMessage(const WorkerMessage& message) {
  auto wait = std::make_shared<MessageWait>();
  if (QThread::currentThread() == thread()) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(message.caption),
                    QString::fromUtf8(message.text), QMessageBox::Ok, this);
    box.exec();
    return;
  }
  QMetaObject::invokeMethod(
      this, [this, message, wait] { OpenWorkerMessage(message, wait); }, Qt::QueuedConnection);
  wait->closed.acquire();  // only this worker waits; the window and other jobs go on
}

void TForm1::OpenWorkerMessage(const WorkerMessage& message,
                               const std::shared_ptr<MessageWait>& wait) {
  if (stopping_) {
    wait->Release();
    return;
  }
  auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromUtf8(message.caption),
                              QString::fromUtf8(message.text), QMessageBox::Ok, this);
  // Which file failed and why: several boxes may stand at once.
  if (!message.detail.empty()) box->setInformativeText(QString::fromUtf8(message.detail));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  connect(box, &QMessageBox::finished, this, [wait] { wait->Release(); });
  connect(box, &QObject::destroyed, this, [wait] { wait->Release(); });
  worker_messages_.emplace_back(box);
  box->show();
}

void TForm1::CloseWorkerMessages() {
  for (const QPointer<QMessageBox>& box : worker_messages_) {
    if (box) box->close();
  }
  worker_messages_.clear();
}

// --- Closing ---

void TForm1::closeEvent(QCloseEvent* event) {
  if (jobs_.empty()) {
    event->accept();
    return;
  }
  event->ignore();
  const CloseChoice choice = AskAboutRunningJobs(this);
  if (choice == CloseChoice::kKeepOpen) return;
  if (choice == CloseChoice::kStop) StopJobs();
  if (jobs_.empty()) {  // they ended while the question stood
    event->accept();
    return;
  }
  // The window closes itself once the last job is released; the event loop keeps serving their
  // log lines meanwhile, so a job waiting on its log is never stuck.
  close_when_done_ = true;
  Button1->setEnabled(false);
  Button2->setEnabled(false);
  setAcceptDrops(false);
}

void TForm1::StopJobs() {
  stopping_ = true;
  jobs_.CancelAll();
  CloseWorkerMessages();
}

void TForm1::WaitForJobsServingEvents() {
  if (jobs_.empty()) return;
  QEventLoop loop;
  on_all_released_ = [&loop] { loop.quit(); };
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  on_all_released_ = nullptr;
}

// --- Drag and drop ---

QStringList TForm1::PackagesIn(const QMimeData* data) {
  QStringList packages;
  if (data == nullptr || !data->hasUrls()) return packages;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (QFileInfo(path).suffix().compare(u"hxf", Qt::CaseInsensitive) == 0) packages << path;
  }
  return packages;
}

bool TForm1::AcceptPackageDrag(QDropEvent* event) {
  if (close_when_done_ || PackagesIn(event->mimeData()).isEmpty()) return false;
  event->acceptProposedAction();
  return true;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  AcceptPackageDrag(event);
}

void TForm1::dropEvent(QDropEvent* event) {
  if (!AcceptPackageDrag(event)) return;
  for (const QString& package : PackagesIn(event->mimeData())) StartUnpack(package);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // A package dropped on either box is meant for the window, not pasted as text; other drags
  // (text within the boxes) stay theirs.
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
      return AcceptPackageDrag(static_cast<QDropEvent*>(event));
    case QEvent::Drop:
      if (!AcceptPackageDrag(static_cast<QDropEvent*>(event))) return false;
      for (const QString& package : PackagesIn(static_cast<QDropEvent*>(event)->mimeData())) {
        StartUnpack(package);
      }
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}

}  // namespace hxf
