// The program's start: create the main window, show it and run the message loop; a window that
// cannot be created is reported in the standard error box and the loop is never entered.
#pragma once

#include <functional>
#include <memory>

#include "core/status.h"
#include "ui/qt/unit1.h"

class QApplication;

namespace hxf {

using WindowFactory = std::function<Result<std::unique_ptr<TForm1>>()>;

// The window with Qt's file dialogs; a failure to build it becomes a Status.
Result<std::unique_ptr<TForm1>> CreateMainWindow();

// Returns the message loop's exit code, or 1 when the window could not be created.
int RunMainWindow(QApplication& application, const WindowFactory& create = CreateMainWindow);

}  // namespace hxf
