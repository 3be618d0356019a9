#include "tests/ui/ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

namespace hxf::testing {

QList<QMessageBox*> VisibleMessageBoxes() {
  QList<QMessageBox*> boxes;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box != nullptr && box->isVisible()) boxes << box;
  }
  return boxes;
}

QMessageBox* VisibleMessageBoxWithText(const QString& text) {
  for (QMessageBox* box : VisibleMessageBoxes()) {
    if (box->text() == text) return box;
  }
  return nullptr;
}

std::shared_ptr<bool> WhenMessageBoxAppears(const QString& text,
                                            std::function<void(QMessageBox*)> answer) {
  auto answered = std::make_shared<bool>(false);
  auto* poll = new QTimer(qApp);
  poll->setInterval(5);
  // The poll ends with its flag: a box that never came is not answered in a later test.
  std::weak_ptr<bool> flag = answered;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, text, answer, flag] {
    const std::shared_ptr<bool> answered = flag.lock();
    QMessageBox* box = answered ? VisibleMessageBoxWithText(text) : nullptr;
    if (answered && box == nullptr) return;
    poll->stop();
    poll->deleteLater();
    if (!answered) return;
    *answered = true;
    answer(box);
  });
  poll->start();
  return answered;
}

void ClickButton(QMessageBox* box, const QString& button_text) {
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == button_text) {
      button->click();
      return;
    }
  }
  qWarning("no button %s", qPrintable(button_text));
}

QStringList LogLines(const QPlainTextEdit* memo) {
  QStringList lines = memo->toPlainText().split(u'\n');
  // Every line is inserted with its line break, so the text ends in an empty last line.
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  return lines;
}

bool ContainsInOrder(const QStringList& lines, const QStringList& wanted) {
  qsizetype next = 0;
  for (const QString& line : lines) {
    if (next < wanted.size() && line == wanted[next]) ++next;
  }
  return next == wanted.size();
}

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

std::string S(const QString& text) {
  return text.toStdString();
}

}  // namespace hxf::testing
