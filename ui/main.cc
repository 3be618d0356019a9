// hxf-gui: the window that unpacks and repacks HXF packages.
#include <QApplication>

#include "ui/start_up.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  return hxf::RunMainWindow(application);
}
