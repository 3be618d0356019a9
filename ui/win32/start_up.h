// The program's start: create the main window, show it and run the message loop; a window that
// cannot be created is reported in the standard error box and the loop is never entered.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/status.h"
#include "ui/win32/unit1.h"

namespace hxf {

using WindowFactory = std::function<Result<std::unique_ptr<TForm1>>()>;

// The window with the system's file dialogs; a failure to build it becomes a Status.
Result<std::unique_ptr<TForm1>> CreateMainWindow();

// The program's own file, as a UTF-8 path.
std::string ExecutablePath();

// The program's arguments after its own name (what "Open with" and a double-click give), as
// UTF-8 paths.
std::vector<std::string> PackageArguments();

// Returns the message loop's exit code, or 1 when the window could not be created. `show` is
// how the window first shows (wWinMain's last argument); `packages` are opened in it once shown
// (TForm1::OpenPackages).
int RunMainWindow(const WindowFactory& create = CreateMainWindow, int show = SW_SHOWDEFAULT,
                  const std::vector<std::string>& packages = {});

}  // namespace hxf
