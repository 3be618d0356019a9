#include "ui/qt/error_box.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "ui/error_box_text.h"

namespace hxf {

void ShowErrorBox(QWidget* parent, const std::string& message) {
  const std::string title = ProgramTitle(QCoreApplication::applicationFilePath().toStdString());
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(title),
                  QString::fromStdString(ErrorBoxText(message)), QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace hxf
