// hxf-gui.exe: the window that unpacks and repacks HXF packages.
#include <windows.h>

#include "ui/win32/start_up.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  return hxf::RunMainWindow(hxf::CreateMainWindow, show);
}
