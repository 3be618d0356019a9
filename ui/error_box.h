// The program's standard error box: for failures of the window itself (it cannot be created, or a
// file dialog refuses its settings), not for the jobs, which report through the log.
#pragma once

#include <QString>

class QWidget;

namespace hxf {

// `message` as the box shows it: a full stop is added when the text is not empty and its last
// character sorts after "." (so a text already ending in ".", "!" or ")" is left as it is).
QString ErrorBoxText(const QString& message);

// The program's title from its executable's path: the file name, cut at the first dot, every
// character after the first in lower case.
QString ProgramTitle(const QString& executable_path);

// Shows the modal box: the text, the program's title as caption, a stop icon and one OK button.
void ShowErrorBox(QWidget* parent, const QString& message);

}  // namespace hxf
