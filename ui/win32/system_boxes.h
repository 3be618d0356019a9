// The window's own boxes, modal to it: the standard error box and the close question.
#pragma once

#include <windows.h>

#include <string>

#include "ui/window_view.h"

namespace hxf {

// The program's standard error box: `text` and `caption` as given, one OK button, the stop icon.
// Returns when it is closed.
void ShowStandardErrorBox(HWND owner, const std::string& text, const std::string& caption);

// "Jobs still run: wait for them, or stop them?", with the buttons "等待", "停止" and "取消".
CloseChoice AskAboutRunningJobs(HWND owner);

}  // namespace hxf
