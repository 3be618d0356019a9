// The log's text box: lines go in at the top, newest first, and the view stays where the user
// left it. At the top it stays at the top, margin and all, so the newest line is always in sight;
// scrolled down to older lines, it keeps showing those lines.
#pragma once

#include <QPlainTextEdit>

namespace hxf {

class LogBox final : public QPlainTextEdit {
  Q_OBJECT

 public:
  using QPlainTextEdit::QPlainTextEdit;

  // Puts `lines` (each ending in a line break) in front of the whole text. The caret ends just
  // after them, and whatever the user had selected is given up.
  void InsertAtTop(const QString& lines);
};

}  // namespace hxf
