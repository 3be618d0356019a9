#include "ui/qt/unit1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QThread>
#include <QUrl>

#include "ui/qt/file_dialog.h"
#include "ui/qt/log_box.h"
#include "ui/window_layout.h"
#include "ui/window_texts.h"

namespace hxf {

namespace {

constexpr int kProgressPollMs = 100;

QRect ToRect(const layout::Bounds& bounds) {
  return QRect(bounds.left, bounds.top, bounds.width, bounds.height);
}

QString FromUtf8(const std::string& text) {
  return QString::fromStdString(text);
}

template <class Box>
Box* MakeMemo(QWidget* parent, const layout::Bounds& bounds) {
  auto* memo = new Box(parent);
  memo->setGeometry(ToRect(bounds));
  memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setMaximumBlockCount(0);   // no length limit
  memo->setTabChangesFocus(true);  // Tab walks the window's tab order rather than typing a tab
  return memo;
}

// The local files among dropped data, as UTF-8 paths.
std::vector<std::string> DroppedFiles(const QMimeData* data) {
  std::vector<std::string> files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  }
  return files;
}

}  // namespace

TForm1::TForm1(std::unique_ptr<CommonDialog> dialog, JobFactory make_job)
    : QWidget(nullptr, Qt::Window), CD1(std::move(dialog)) {
  if (!CD1) CD1 = std::make_unique<FileCommonDialog>(this);
  CreateComponents();
  SetUpLook();
  const ProgramPaths program{QCoreApplication::applicationFilePath().toStdString(),
                             QCoreApplication::applicationDirPath().toStdString()};
  WindowView& view = *this;
  logic_ = std::make_unique<WindowLogic>(view, *CD1, program, std::move(make_job));
  progress_timer_.setInterval(kProgressPollMs);
  connect(&progress_timer_, &QTimer::timeout, this, [this] {
    if (poll_progress_) poll_progress_();
  });
}

TForm1::~TForm1() {
  logic_->Shutdown();
}

void TForm1::CreateComponents() {
  Button1 = new QPushButton(ui_text::kUnpackButton, this);
  Button1->setGeometry(ToRect(layout::kButton1));
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  Button1->installEventFilter(this);

  Button2 = new QPushButton(ui_text::kRepackButton, this);
  Button2->setGeometry(ToRect(layout::kButton2));
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  Button2->installEventFilter(this);

  Memo1 = MakeMemo<LogBox>(this, layout::kMemo1);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->viewport()->installEventFilter(this);

  Memo2 = MakeMemo<QPlainTextEdit>(this, layout::kMemo2);
  Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QStringList credits;
  for (const char* line : ui_text::kCredits) credits << QString::fromUtf8(line);
  Memo2->setPlainText(credits.join(u'\n'));
  Memo2->viewport()->installEventFilter(this);

  Progress = new QProgressBar(this);
  Progress->setGeometry(ToRect(layout::kProgress));
  Progress->setFocusPolicy(Qt::NoFocus);
  Progress->setTextVisible(false);
  Progress->hide();

  setTabOrder(Button1, Button2);
  setTabOrder(Button2, Memo1);
  setTabOrder(Memo1, Memo2);
}

void TForm1::SetUpLook() {
  setWindowTitle(ui_text::kCaption);
  QFont font(QString::fromUtf8(layout::kFontFamily));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(layout::kFontPoints);
  setFont(font);
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
  setAcceptDrops(true);
  // Until the frame is known, the bounds go to the client area; showEvent corrects that.
  move(layout::kWindow.left, layout::kWindow.top);
  resize(layout::kWindow.width, layout::kWindow.height);
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
  resize(QSize(layout::kWindow.width, layout::kWindow.height) - frame);
  move(layout::kWindow.left, layout::kWindow.top);
}

// --- Threads ---

bool TForm1::OnUiThread() const {
  return QThread::currentThread() == thread();
}

void TForm1::PostToUiThread(std::function<void()> task) {
  // Queued calls are served in the order they were made, also while a modal dialog runs.
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void TForm1::PostToUiThreadAfter(int milliseconds, std::function<void()> task) {
  QTimer::singleShot(milliseconds, this, std::move(task));
}

void TForm1::ServeEventsUntil(const std::function<bool()>& done) {
  while (!done()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
  }
}

// --- The log ---

void TForm1::InsertLogLines(const std::vector<std::string>& lines) {
  QString text;
  for (const std::string& line : lines) text += FromUtf8(line) + u'\n';
  Memo1->InsertAtTop(text);
}

// --- Boxes ---

void TForm1::ShowMessageBox(const WorkerMessage& message, std::function<void()> closed) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, FromUtf8(message.caption),
                              FromUtf8(message.text), QMessageBox::Ok, this);
  // Which file failed and why: several boxes may stand at once.
  if (!message.detail.empty()) box->setInformativeText(FromUtf8(message.detail));
  StandJobBox(box, std::move(closed));
}

void TForm1::AskAboutExistingFiles(const std::string& folder,
                                   std::function<void(ExistingFiles)> answered) {
  auto* box = new QMessageBox(QMessageBox::Question, ui_text::kExistingFilesCaption,
                              ui_text::kExistingFiles, QMessageBox::NoButton, this);
  // Which folder: several unpacks may ask at once.
  box->setInformativeText(FromUtf8(folder));
  QPushButton* replace = box->addButton(ui_text::kReplaceFiles, QMessageBox::DestructiveRole);
  QPushButton* keep = box->addButton(ui_text::kKeepChanged, QMessageBox::AcceptRole);
  QPushButton* cancel = box->addButton(ui_text::kCancelUnpack, QMessageBox::RejectRole);
  // Enter keeps the user's files: the one answer that loses nothing.
  box->setDefaultButton(keep);
  box->setEscapeButton(cancel);
  auto choice = std::make_shared<ExistingFiles>(ExistingFiles::kCancel);
  connect(box, &QMessageBox::buttonClicked, this, [=](QAbstractButton* button) {
    if (button == replace) *choice = ExistingFiles::kReplace;
    if (button == keep) *choice = ExistingFiles::kKeep;
  });
  StandJobBox(box, [choice, answered = std::move(answered)] { answered(*choice); });
}

void TForm1::StandJobBox(QMessageBox* box, std::function<void()> closed) {
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  // Wide enough for a path: a narrow box wraps it at every folder.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(new QSpacerItem(layout::kMessageBoxMinWidth, 0), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  // A box opened while others stand goes beside the last one, not exactly over it.
  if (QMessageBox* last = LastStandingBox()) {
    box->move(last->pos() + QPoint(layout::kMessageBoxCascade, layout::kMessageBoxCascade));
  }
  auto once = std::make_shared<std::function<void()>>(std::move(closed));
  auto close_once = [once] {
    if (!*once) return;
    auto call = std::move(*once);
    *once = nullptr;
    call();
  };
  connect(box, &QMessageBox::finished, this, close_once);
  connect(box, &QObject::destroyed, this, close_once);
  std::erase_if(message_boxes_, [](const QPointer<QMessageBox>& gone) { return gone.isNull(); });
  message_boxes_.emplace_back(box);
  box->show();
}

QMessageBox* TForm1::LastStandingBox() const {
  for (auto box = message_boxes_.rbegin(); box != message_boxes_.rend(); ++box) {
    if (*box && (*box)->isVisible()) return *box;
  }
  return nullptr;
}

void TForm1::CloseMessageBoxes() {
  for (const QPointer<QMessageBox>& box : message_boxes_) {
    if (box) box->close();
  }
  message_boxes_.clear();
}

void TForm1::ShowErrorBox(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Critical, FromUtf8(caption), FromUtf8(text), QMessageBox::Ok, this);
  box.exec();
}

CloseChoice TForm1::AskAboutRunningJobs() {
  QMessageBox box(QMessageBox::Question, ui_text::kCaption, ui_text::kJobsRunning,
                  QMessageBox::NoButton, this);
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

// --- Progress, closing ---

void TForm1::ShowProgress(const ProgressState& progress) {
  if (!progress.visible) {
    Progress->hide();
    return;
  }
  if (progress.busy) {
    Progress->setRange(0, 0);
  } else {
    Progress->setRange(0, ProgressState::kProgressSteps);
    Progress->setValue(progress.value);
  }
  Progress->show();
}

void TForm1::PollProgress(bool on, std::function<void()> poll) {
  if (!on) {
    progress_timer_.stop();
    poll_progress_ = nullptr;
    return;
  }
  poll_progress_ = std::move(poll);
  if (!progress_timer_.isActive()) progress_timer_.start();
}

void TForm1::EnableJobs(bool enabled) {
  Button1->setEnabled(enabled);
  Button2->setEnabled(enabled);
  setAcceptDrops(enabled);
}

void TForm1::CloseWindow() {
  close();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (logic_->CloseRequested()) {
    event->accept();
  } else {
    event->ignore();
  }
}

// --- Drag and drop, keys ---

bool TForm1::HandleFileDrop(QDropEvent* event, bool drop) {
  const std::vector<std::string> files = DroppedFiles(event->mimeData());
  if (!logic_->TakesDrop(files)) {
    event->ignore();
    return event->mimeData() != nullptr && event->mimeData()->hasUrls();
  }
  event->acceptProposedAction();
  if (drop) logic_->Drop(files);
  return true;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  HandleFileDrop(event, false);
}

void TForm1::dropEvent(QDropEvent* event) {
  HandleFileDrop(event, true);
}

bool TForm1::PressOnEnter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  auto* button = qobject_cast<QPushButton*>(watched);
  if (button == nullptr || !button->isEnabled()) return false;
  button->click();
  return true;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Button1 || watched == Button2) {
    return PressOnEnter(watched, event) || QWidget::eventFilter(watched, event);
  }
  // Files dropped on either box are meant for the window: a package is unpacked, anything else
  // is refused, and neither is pasted as text. Other drags (text within the boxes) stay theirs.
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
      return HandleFileDrop(static_cast<QDropEvent*>(event), false);
    case QEvent::Drop:
      return HandleFileDrop(static_cast<QDropEvent*>(event), true);
    default:
      return QWidget::eventFilter(watched, event);
  }
}

}  // namespace hxf
