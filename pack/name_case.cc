#include "pack/name_case.h"

namespace hxf {

std::string FoldedName(std::string_view entry_name, NameEncoding encoding) {
  // The decoded name is UTF-8, whose multi-byte characters hold no ASCII byte.
  std::string folded = DecodeName(entry_name, encoding);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

bool NameCaseCheck::Note(std::string_view entry_name) {
  return folded_names_.insert(FoldedName(entry_name, encoding_)).second;
}

}  // namespace hxf
