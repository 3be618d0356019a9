#include "tests/window/scripted_dialog.h"

namespace hxf::testing {

Status ScriptedDialog::SetInitDir(const std::string& directory) {
  if (!init_dir_failure.empty()) {
    return Status::Error(Status::Code::kInvalidArgument, init_dir_failure);
  }
  return CommonDialog::SetInitDir(directory);
}

Status ScriptedDialog::SetFilter(const std::string& filter) {
  if (!filter_failure.empty()) return Status::Error(Status::Code::kInvalidArgument, filter_failure);
  return CommonDialog::SetFilter(filter);
}

bool ScriptedDialog::Show(const char* kind) {
  shown.emplace_back(kind);
  started_in.push_back(InitDir());
  offered.push_back(FileName());
  if (answers.empty()) return false;
  const Answer answer = answers.front();
  answers.pop_front();
  if (answer.chosen) SetFileName(answer.path);
  return answer.chosen;
}

}  // namespace hxf::testing
