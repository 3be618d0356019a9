#include "ui/qt/log_box.h"

#include <QScrollBar>
#include <QTextCursor>

namespace hxf {

void LogBox::InsertAtTop(const QString& lines) {
  QScrollBar* bar = verticalScrollBar();
  const bool at_top = bar->value() == bar->minimum();
  const int old_value = bar->value();
  const int old_maximum = bar->maximum();

  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::Start);
  cursor.insertText(lines);
  // Setting the caret scrolls to it, which would leave the view one line down from the top, with
  // the newest line against the frame, or jump away from what the user was reading.
  setTextCursor(cursor);
  bar->setValue(at_top ? bar->minimum() : old_value + (bar->maximum() - old_maximum));
}

}  // namespace hxf
