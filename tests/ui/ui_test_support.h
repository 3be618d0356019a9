// Helpers for driving the window in tests: a file dialog that answers from a script, and ways to
// find and answer the message boxes the window shows.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "ui/common_dialog.h"

namespace hxf::testing {

// Answers ShowOpen/ShowSave from `answers`, oldest first; with none left it answers "cancelled".
class ScriptedDialog final : public CommonDialog {
 public:
  struct Answer {
    bool chosen;
    QString path;
  };

  void Choose(const QString& path) { answers.push_back({true, path}); }
  void Cancel() { answers.push_back({false, {}}); }

  Status SetInitDir(const QString& directory) override;
  Status SetFilter(const QString& filter) override;
  bool ShowOpen() override { return Show("open"); }
  bool ShowSave() override { return Show("save"); }

  std::deque<Answer> answers;
  QStringList shown;  // "open" or "save", one per dialog shown
  // When set, SetInitDir or SetFilter fails with this message.
  QString init_dir_failure;
  QString filter_failure;

 private:
  bool Show(const char* kind);
};

// The message boxes standing now, oldest first.
QList<QMessageBox*> VisibleMessageBoxes();
QMessageBox* VisibleMessageBoxWithText(const QString& text);

// Once a visible message box with `text` stands, calls `answer` with it (from the event loop,
// so also while a modal box runs its own loop). The returned flag turns true once answered.
std::shared_ptr<bool> WhenMessageBoxAppears(const QString& text,
                                            std::function<void(QMessageBox*)> answer);
// Clicks the button with `button_text` on the box.
void ClickButton(QMessageBox* box, const QString& button_text);

// The log's lines, top first (as the window shows them: newest first).
QStringList LogLines(const QPlainTextEdit* memo);
// True when `wanted` occurs in `lines` in its order, other lines possibly between.
bool ContainsInOrder(const QStringList& lines, const QStringList& wanted);

QString Q(const std::string& utf8);
std::string S(const QString& text);

}  // namespace hxf::testing
