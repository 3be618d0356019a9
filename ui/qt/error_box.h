// The program's standard error box in Qt; its text and caption follow ui/error_box_text.h.
#pragma once

#include <string>

class QWidget;

namespace hxf {

// Shows the modal box: `message` with its full stop rule, the program's title as caption, a stop
// icon and one OK button.
void ShowErrorBox(QWidget* parent, const std::string& message);

}  // namespace hxf
