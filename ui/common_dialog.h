// The window's file dialog object: one instance serves both buttons. It remembers its starting
// directory, its filter and the last chosen file between uses, as the window expects of it. Each
// toolkit supplies the dialogs themselves; every text here is UTF-8.
#pragma once

#include <string>
#include <vector>

#include "core/status.h"
#include "ui/file_filter.h"

namespace hxf {

class CommonDialog {
 public:
  virtual ~CommonDialog() = default;

  const std::string& InitDir() const { return init_dir_; }
  const std::string& Filter() const { return filter_; }
  // The full path chosen last; kept when a later dialog is cancelled.
  const std::string& FileName() const { return file_name_; }

  // Where the next dialog starts.
  virtual Status SetInitDir(const std::string& directory);
  // Pairs of description and pattern separated by "|", as in ".hxf filename|*.hxf"; refused
  // (and the old filter kept) unless it is made of whole, non-empty pairs.
  virtual Status SetFilter(const std::string& filter);

  // Show a modal open or save dialog; true when the user chose a file, which FileName then holds.
  virtual bool ShowOpen() = 0;
  virtual bool ShowSave() = 0;

  // The file the next dialog offers, as if the user had chosen it last.
  void SetFileName(const std::string& path) { file_name_ = path; }

 protected:
  std::vector<FilterPair> FilterPairs() const { return ParseFilter(filter_); }

 private:
  std::string init_dir_;
  std::string filter_;
  std::string file_name_;
};

}  // namespace hxf
