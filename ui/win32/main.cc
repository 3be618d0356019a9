// hxf-gui.exe: the window that unpacks and repacks HXF packages.
#include <windows.h>

#include "ui/win32/start_up.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  // "Open with" and a double-click on a package give its path: the window checks it.
  return hxf::RunMainWindow(hxf::CreateMainWindow, show, hxf::PackageArguments());
}
