#include "cli/json_output.h"

#include <cstdio>

#include "cli/terminal.h"

namespace hxf::cli {
namespace {

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

const char* KindName(Corruption::Kind kind) {
  switch (kind) {
    case Corruption::Kind::kNameLength:
      return "name_length";
    case Corruption::Kind::kCutShort:
      return "cut_short";
    case Corruption::Kind::kDataPastEnd:
      return "data_past_end";
  }
  return "unknown";
}

}  // namespace

nlohmann::json EntryJson(const EntryRecord& entry, NameEncoding encoding) {
  return {{"name", DecodeName(entry.name, encoding)},
          {"name_hex", HexBytes(entry.name)},
          {"offset", entry.offset},
          {"attribute", std::to_integer<unsigned>(entry.attribute)},
          {"size", entry.data_length}};
}

nlohmann::json CorruptionJson(const RecordReader& reader) {
  if (!reader.corruption()) return nullptr;
  const Corruption& corruption = *reader.corruption();
  return {{"kind", KindName(corruption.kind)},
          {"offset", corruption.offset},
          {"message", Describe(corruption)}};
}

void PrintJson(const nlohmann::json& document) {
  const std::string text = document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  WriteOutput(text + "\n");
}

}  // namespace hxf::cli
