#include "ui/qt/start_up.h"

#include <QApplication>
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

int RunMainWindow(QApplication& application, const WindowFactory& create) {
  Result<std::unique_ptr<TForm1>> window = create();
  if (!window.ok()) {
    ShowErrorBox(nullptr, window.status().message());
    return 1;
  }
  window.value()->show();
  return application.exec();
}

}  // namespace hxf
