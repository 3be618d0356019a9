// The program's start: create the main window, show it and run the message loop; a window that
// cannot be created is reported in the standard error box and the loop is never entered.
#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/status.h"
#include "ui/qt/unit1.h"

class QApplication;

namespace hxf {

using WindowFactory = std::function<Result<std::unique_ptr<TForm1>>()>;

// The window with Qt's file dialogs; a failure to build it becomes a Status.
Result<std::unique_ptr<TForm1>> CreateMainWindow();

// The packages among the program's arguments (all but the first, the program itself), as UTF-8
// paths made absolute against the current folder.
std::vector<std::string> PackageArguments(const QStringList& arguments);

// Shows the window, opens `packages` in it (TForm1::OpenPackages) and runs the message loop.
// Returns the loop's exit code, or 1 when the window could not be created.
int RunMainWindow(QApplication& application, const WindowFactory& create = CreateMainWindow,
                  const std::vector<std::string>& packages = {});

}  // namespace hxf
