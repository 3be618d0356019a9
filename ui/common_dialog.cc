#include "ui/common_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "ui/window_texts.h"

namespace hxf {

namespace {

// Splits "desc|pattern|desc|pattern" into its parts; empty when it is not whole pairs.
QStringList FilterParts(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  if (parts.size() % 2 != 0) return {};
  for (const QString& part : parts) {
    if (part.trimmed().isEmpty()) return {};
  }
  return parts;
}

}  // namespace

Status CommonDialog::SetInitDir(const QString& directory) {
  init_dir_ = directory;
  return Status::Ok();
}

Status CommonDialog::SetFilter(const QString& filter) {
  if (FilterParts(filter).isEmpty()) {
    return Status::Error(Status::Code::kInvalidArgument, ui_text::kInvalidFilter);
  }
  filter_ = filter;
  return Status::Ok();
}

QStringList CommonDialog::NameFilters() const {
  const QStringList parts = FilterParts(filter_);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
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
  dialog.setDirectory(InitDir());
  dialog.setNameFilters(NameFilters());
  if (save) dialog.setDefaultSuffix(QStringLiteral("hxf"));
  // Offer the name chosen last, but in the starting directory: the directory is set each time.
  if (!FileName().isEmpty()) dialog.selectFile(QFileInfo(FileName()).fileName());
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return false;
  SetFileName(chosen.front());
  return true;
}

}  // namespace hxf
