// Helpers for driving the Qt window in tests: ways to find and answer the message boxes it shows
// (the scripted file dialog is tests/window/scripted_dialog.h).
#pragma once

#include <QList>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "tests/window/scripted_dialog.h"

namespace hxf::testing {

// The message boxes standing now, oldest first.
QList<QMessageBox*> VisibleMessageBoxes();
QMessageBox* VisibleMessageBoxWithText(const QString& text);

// Once a visible message box with `text` stands, calls `answer` with it (from the event loop,
// so also while a modal box runs its own loop). The returned flag turns true once answered; once
// the flag is dropped, no box is answered any more.
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
