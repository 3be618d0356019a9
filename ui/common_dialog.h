// The window's file dialog object: one instance serves both buttons. It remembers its starting
// directory, its filter and the last chosen file between uses, as the window expects of it.
#pragma once

#include <QString>
#include <QStringList>

#include "core/status.h"

class QWidget;

namespace hxf {

class CommonDialog {
 public:
  virtual ~CommonDialog() = default;

  const QString& InitDir() const { return init_dir_; }
  const QString& Filter() const { return filter_; }
  // The full path chosen last; kept when a later dialog is cancelled.
  const QString& FileName() const { return file_name_; }

  // Where the next dialog starts.
  virtual Status SetInitDir(const QString& directory);
  // Pairs of description and pattern separated by "|", as in ".hxf filename|*.hxf"; refused
  // (and the old filter kept) unless it is made of whole, non-empty pairs.
  virtual Status SetFilter(const QString& filter);

  // Show a modal open or save dialog; true when the user chose a file, which FileName then holds.
  virtual bool ShowOpen() = 0;
  virtual bool ShowSave() = 0;

 protected:
  void SetFileName(const QString& path) { file_name_ = path; }
  // The filter in the form of Qt's file dialogs: "description (pattern)" per pair.
  QStringList NameFilters() const;

 private:
  QString init_dir_;
  QString filter_;
  QString file_name_;
};

// The dialogs of Qt, shown over `parent`.
class FileCommonDialog final : public CommonDialog {
 public:
  explicit FileCommonDialog(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  bool ShowOpen() override;
  bool ShowSave() override;

 private:
  bool Show(bool save);

  QWidget* parent_;
};

}  // namespace hxf
