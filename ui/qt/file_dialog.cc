#include "ui/qt/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace hxf {

QStringList QtNameFilters(const std::vector<FilterPair>& pairs) {
  QStringList filters;
  for (const FilterPair& pair : pairs) {
    filters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(pair.description),
                                             QString::fromStdString(pair.pattern));
  }
  return filters;
}

bool FileCommonDialog::ShowOpen() {
  return Show(false);
}

bool FileCommonDialog::ShowSave() {
  return Show(true);
}

bool FileCommonDialog::Show(bool save) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDirectory(QString::fromStdString(InitDir()));
  dialog.setNameFilters(QtNameFilters(FilterPairs()));
  if (save) dialog.setDefaultSuffix(QStringLiteral("hxf"));
  // Offer the name chosen last, but in the starting directory: the directory is set each time.
  if (!FileName().empty()) {
    dialog.selectFile(QFileInfo(QString::fromStdString(FileName())).fileName());
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return false;
  // The library takes UTF-8 paths.
  SetFileName(chosen.front().toStdString());
  return true;
}

}  // namespace hxf
