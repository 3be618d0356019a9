// hxf-gui: the window that unpacks and repacks HXF packages.
#include <QApplication>
#include <QIcon>

#include "ui/qt/start_up.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // The installed icon theme's, as in the menu; none when run from the build tree.
  application.setWindowIcon(QIcon::fromTheme("hxf"));
  // "Open with" and a double-click on a package give its path: the window checks it.
  return hxf::RunMainWindow(application, hxf::CreateMainWindow,
                            hxf::PackageArguments(application.arguments()));
}
