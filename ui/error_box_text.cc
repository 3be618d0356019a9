#include "ui/error_box_text.h"

namespace hxf {

std::string ErrorBoxText(const std::string& message) {
  if (message.empty()) return message;
  // Compared as bytes: every byte of a character beyond ASCII is 0x80 or more, so such a
  // character sorts after "." just as its code point does.
  const auto last = static_cast<unsigned char>(message.back());
  return last > '.' ? message + '.' : message;
}

std::string ProgramTitle(const std::string& executable_path) {
  const std::size_t slash = executable_path.find_last_of("/\\");
  std::string name = executable_path.substr(slash == std::string::npos ? 0 : slash + 1);
  name = name.substr(0, name.find('.'));
  // Only ASCII letters change case: the other bytes of a UTF-8 name are left as they are.
  for (std::size_t i = 1; i < name.size(); ++i) {
    if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<char>(name[i] - 'A' + 'a');
  }
  return name;
}

}  // namespace hxf
