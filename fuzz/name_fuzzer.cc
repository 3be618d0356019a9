// Entry-name decoding and the path-safety check over arbitrary name bytes. A name the check
// accepts becomes host path components, so each component must be one the host cannot read as
// anything but a plain name inside the unpack root; a name shown in a log line must not carry
// anything a terminal would act on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/entry_path.h"
#include "core/name_encoding.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsControlByte(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

void CheckComponents(std::string_view name) {
  hxf::Result<std::vector<std::string>> components = hxf::SplitEntryName(name);
  if (!components.ok()) {
    HXF_FUZZ_CHECK(components.status().code() == hxf::Status::Code::kInvalidArgument);
    HXF_FUZZ_CHECK(!components.status().message().empty());
    return;
  }
  HXF_FUZZ_CHECK(!components->empty());
  for (const std::string& component : *components) {
    HXF_FUZZ_CHECK(!component.empty());
    HXF_FUZZ_CHECK(component != "." && component != "..");
    for (char c : component) {
      HXF_FUZZ_CHECK(c != '/' && c != '\\' && c != ':' && c != '\0');
      HXF_FUZZ_CHECK(!IsControlByte(static_cast<unsigned char>(c)));
    }
  }
  // Nothing is dropped or added on the way: the components are the name.
  HXF_FUZZ_CHECK(hxf::JoinEntryName(*components) == name);
}

// Valid UTF-8, and with `strict`, also without C0 controls, DEL or C1 controls (U+0080 to
// U+009F). Checks only the shape of the sequences, which is all a terminal goes by.
bool IsCleanUtf8(std::string_view text, bool strict) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (strict && IsControlByte(lead)) return false;
    std::size_t length = 1;
    if (lead >= 0x80) {
      if (lead < 0xC2 || lead > 0xF4) return false;
      length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      if (i + length > text.size()) return false;
      for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
      }
      if (strict && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) return false;
    }
    i += length;
  }
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  for (hxf::NameEncoding encoding : {hxf::NameEncoding::kGbk, hxf::NameEncoding::kRaw}) {
    const std::string decoded = hxf::DecodeName(bytes, encoding);
    if (encoding == hxf::NameEncoding::kRaw) HXF_FUZZ_CHECK(decoded == bytes);
    CheckComponents(decoded);
    HXF_FUZZ_CHECK(IsCleanUtf8(hxf::DisplayName(decoded), true));

    // Packing back what unpacking wrote must give the same name bytes, or a package would change
    // its names on a round trip through a folder. One case cannot hold: bytes that are not GBK
    // are kept as they are, and when those happen to be valid UTF-8 they read as a host name
    // like any other, which packing then converts to GBK.
    const bool kept_as_utf8 = encoding == hxf::NameEncoding::kGbk && decoded == bytes &&
                              !IsAscii(bytes) && IsCleanUtf8(bytes, false);
    hxf::Result<std::string> encoded = hxf::EncodeName(decoded, encoding);
    if (!kept_as_utf8) {
      HXF_FUZZ_CHECK(encoded.ok());
      HXF_FUZZ_CHECK(*encoded == bytes);
    }
  }
  HXF_FUZZ_CHECK(IsCleanUtf8(hxf::DisplayName(bytes), true));
  return 0;
}
