#include "ui/qt/start_up.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <exception>

#include "ui/qt/error_box.h"

namespace hxf {

Result<std::unique_ptr<TForm1>> CreateMainWindow() {
  // Qt reports no failure of its own here; what can fail is the memory for the window, which the
  // standard library reports by throwing. It stops at this boundary.
  try {
    return std::make_unique<TForm1>();
  } catch (const std::exception& error) {
    return Status::Error(Status::Code::kIoError, error.what());
  }
}

std::vector<std::string> PackageArguments(const QStringList& arguments) {
  std::vector<std::string> packages;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    packages.push_back(QFileInfo(arguments[i]).absoluteFilePath().toStdString());
  }
  return packages;
}

int RunMainWindow(QApplication& application, const WindowFactory& create,
                  const std::vector<std::string>& packages) {
  Result<std::unique_ptr<TForm1>> window = create();
  if (!window.ok()) {
    ShowErrorBox(nullptr, window.status().message());
    return 1;
  }
  window.value()->show();
  window.value()->OpenPackages(packages);
  return application.exec();
}

}  // namespace hxf
