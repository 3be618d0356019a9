#include "ui/error_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace hxf {

QString ErrorBoxText(const QString& message) {
  if (message.isEmpty()) return message;
  // Code points order like the bytes of their UTF-8 form, so this is the byte order the box
  // has always used: any character beyond ASCII sorts after ".".
  const char32_t last = QStringView(message).toUcs4().back();
  return last > U'.' ? message + u'.' : message;
}

QString ProgramTitle(const QString& executable_path) {
  const QString name = QFileInfo(executable_path).fileName().section(u'.', 0, 0);
  if (name.isEmpty()) return name;
  const qsizetype first = name.front().isHighSurrogate() ? 2 : 1;
  return name.left(first) + name.mid(first).toLower();
}

void ShowErrorBox(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, ProgramTitle(QCoreApplication::applicationFilePath()),
                  ErrorBoxText(message), QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace hxf
