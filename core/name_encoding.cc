#include "core/name_encoding.h"

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <cstdio>

namespace hxf {
namespace {

// One conversion with iconv. Returns false when `in` holds a sequence that does not convert.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(in.size() * 4 + 4, '\0');
  char* in_ptr = const_cast<char*>(in.data());
  std::size_t in_left = in.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  const std::size_t converted = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  // Flush any shift state, then check the whole input went through.
  const bool ok =
      converted != static_cast<std::size_t>(-1) &&
      iconv(cd, nullptr, nullptr, &out_ptr, &out_left) != static_cast<std::size_t>(-1) &&
      in_left == 0;
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return ok;
}

// Length of the valid UTF-8 sequence at the start of `s`, or 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  std::size_t length = 0;
  std::uint32_t min = 0;
  std::uint32_t code = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2, min = 0x80, code = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3, min = 0x800, code = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4, min = 0x10000, code = lead & 0x07;
  else
    return 0;
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(s[i]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsValidUtf8(std::string_view s) {
  while (!s.empty()) {
    const std::size_t length = Utf8SequenceLength(s);
    if (length == 0) return false;
    s.remove_prefix(length);
  }
  return true;
}

}  // namespace

std::string DecodeName(std::string_view package_name, NameEncoding encoding) {
  if (encoding == NameEncoding::kRaw) return std::string(package_name);
  std::string decoded;
  if (Convert("UTF-8", "GBK", package_name, decoded)) return decoded;
  return std::string(package_name);
}

Result<std::string> EncodeName(std::string_view host_name, NameEncoding encoding) {
  if (encoding == NameEncoding::kRaw || !IsValidUtf8(host_name)) return std::string(host_name);
  std::string encoded;
  if (Convert("GBK", "UTF-8", host_name, encoded)) return encoded;
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
