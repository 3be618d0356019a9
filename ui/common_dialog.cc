#include "ui/common_dialog.h"

#include "ui/window_texts.h"

namespace hxf {

Status CommonDialog::SetInitDir(const std::string& directory) {
  init_dir_ = directory;
  return Status::Ok();
}

Status CommonDialog::SetFilter(const std::string& filter) {
  if (ParseFilter(filter).empty()) {
    return Status::Error(Status::Code::kInvalidArgument, ui_text::kInvalidFilter);
  }
  filter_ = filter;
  return Status::Ok();
}

}  // namespace hxf
