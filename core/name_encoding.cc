#include "core/name_encoding.h"

#include <cstdint>
#include <cstdio>

#include "core/code_page.h"

namespace hxf {
namespace {

// Length of the valid UTF-8 sequence at the start of `s`, or 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint32_t min = 0;  // the smallest code point the length may carry: no overlong forms
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  std::uint32_t code = lead & (0x7Fu >> length);
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(s[i]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

bool Decodes(std::string_view package_name, NameEncoding encoding) {
  std::string decoded;
  return encoding == NameEncoding::kRaw || GbkToUtf8(package_name, decoded);
}

std::string DecodeName(std::string_view package_name, NameEncoding encoding) {
  if (encoding == NameEncoding::kRaw) return std::string(package_name);
  std::string decoded;
  if (GbkToUtf8(package_name, decoded)) return decoded;
  return std::string(package_name);
}

Result<std::string> EncodeName(std::string_view host_name, NameEncoding encoding) {
  if (encoding == NameEncoding::kRaw || !IsValidUtf8(host_name)) return std::string(host_name);
  std::string encoded;
  if (Utf8ToGbk(host_name, encoded)) return encoded;
  return Status::Error(Status::Code::kInvalidArgument, "name has no GBK form");
}

std::string DisplayName(std::string_view name) {
  std::string shown;
  while (!name.empty()) {
    const std::size_t length = Utf8SequenceLength(name);
    const auto byte = static_cast<unsigned char>(name[0]);
    // C1 controls (U+0080 to U+009F) are terminal escapes as much as the C0 ones.
    const bool c1_control =
        length == 2 && byte == 0xC2 && static_cast<unsigned char>(name[1]) < 0xA0;
    if (length == 0 || byte < 0x20 || byte == 0x7F || c1_control) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
      name.remove_prefix(1);
    } else {
      shown.append(name.substr(0, length));
      name.remove_prefix(length);
    }
  }
  return shown;
}

}  // namespace hxf
