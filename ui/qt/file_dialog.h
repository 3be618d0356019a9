// The file dialogs of Qt behind the window's dialog object (ui/common_dialog.h).
#pragma once

#include <QStringList>

#include "ui/common_dialog.h"

class QWidget;

namespace hxf {

// The filter in the form of Qt's file dialogs: "description (pattern)" per pair.
QStringList QtNameFilters(const std::vector<FilterPair>& pairs);

// Qt's dialogs, shown over `parent`.
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
