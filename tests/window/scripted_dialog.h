// A file dialog for tests: it answers ShowOpen/ShowSave from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/common_dialog.h"

namespace hxf::testing {

// Answers ShowOpen/ShowSave from `answers`, oldest first; with none left it answers "cancelled".
class ScriptedDialog final : public CommonDialog {
 public:
  struct Answer {
    bool chosen;
    std::string path;
  };

  void Choose(const std::string& path) { answers.push_back({true, path}); }
  void Cancel() { answers.push_back({false, {}}); }

  Status SetInitDir(const std::string& directory) override;
  Status SetFilter(const std::string& filter) override;
  bool ShowOpen() override { return Show("open"); }
  bool ShowSave() override { return Show("save"); }

  std::deque<Answer> answers;
  std::vector<std::string> shown;  // "open" or "save", one per dialog shown
  // Per dialog shown: the folder it started in, and the file it offered (FileName then).
  std::vector<std::string> started_in;
  std::vector<std::string> offered;
  // When set, SetInitDir or SetFilter fails with this message.
  std::string init_dir_failure;
  std::string filter_failure;

 private:
  bool Show(const char* kind);
};

}  // namespace hxf::testing
