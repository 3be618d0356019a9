#include "core/windows_names.h"

#include <array>

namespace hxf {
namespace {

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// A digit as COM and LPT take it: 1-9, or the superscripts ¹ ² ³ (in UTF-8), which the system
// counts as digits too.
bool IsPortDigit(std::string_view text) {
  if (text.size() == 1) return text[0] >= '1' && text[0] <= '9';
  return text == "\xC2\xB9" || text == "\xC2\xB2" || text == "\xC2\xB3";
}

bool IsDeviceName(std::string_view base) {
  static constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view device : kDevices) {
    if (EqualsIgnoringAsciiCase(base, device)) return true;
  }
  if (base.size() < 4) return false;
  const std::string_view port = base.substr(0, 3);
  return (EqualsIgnoringAsciiCase(port, "COM") || EqualsIgnoringAsciiCase(port, "LPT")) &&
         IsPortDigit(base.substr(3));
}

}  // namespace

std::string WindowsNameProblem(std::string_view component) {
  // The system names the device whatever follows the first dot, and drops the spaces before it:
  // "nul.tar.gz" and "CON .txt" are devices too.
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  if (IsDeviceName(base)) return "a device name";
  if (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
    return "a dot or a space at the end, which Windows drops";
  }
  if (component.find_first_of("<>:\"|?*") != std::string_view::npos) {
    return "a character Windows does not allow in a name (< > : \" | ? *)";
  }
  return {};
}

}  // namespace hxf
