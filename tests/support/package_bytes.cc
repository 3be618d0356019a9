#include "tests/support/package_bytes.h"

namespace hxf::testing {

Bytes U32(std::uint32_t value) {
  return {std::byte(value & 0xFF), std::byte((value >> 8) & 0xFF), std::byte((value >> 16) & 0xFF),
          std::byte(value >> 24)};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes Record(std::string_view name, std::string_view data) {
  return Concat({U32(static_cast<std::uint32_t>(name.size())), ToBytes(name),
                 Bytes{std::byte{0x20}}, U32(static_cast<std::uint32_t>(data.size())),
                 ToBytes(data)});
}

Bytes Header(std::uint32_t length, std::uint32_t checksum) {
  Bytes header(64, std::byte{0});
  const std::string magic = "WADF0100200801291107";
  const std::string description = "Chinachip PMP firmware V1.0";
  for (std::size_t i = 0; i < magic.size(); ++i) header[i] = std::byte(magic[i]);
  for (int i = 0; i < 4; ++i) header[20 + i] = U32(length)[i];
  for (int i = 0; i < 4; ++i) header[24 + i] = U32(checksum)[i];
  for (std::size_t i = 0; i < description.size(); ++i) header[32 + i] = std::byte(description[i]);
  return header;
}

std::uint32_t ReferenceChecksum(const Bytes& package) {
  const std::uint32_t size = static_cast<std::uint32_t>(package.size());
  const std::uint32_t words = (size - 64) / 4;  // unsigned 32-bit, as defined
  std::uint32_t sum = 0;
  for (std::uint32_t w = 0; w < words && 64 + 4 * w + 3 < package.size(); ++w) {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      word |= std::to_integer<std::uint32_t>(package[64 + 4 * w + i]) << (8 * i);
    }
    sum += word;
  }
  return sum;
}

Bytes WithHeader(const Bytes& body) {
  Bytes package = Concat({Bytes(64, std::byte{0}), body});
  Bytes header = Header(static_cast<std::uint32_t>(package.size()), ReferenceChecksum(package));
  std::copy(header.begin(), header.end(), package.begin());
  return package;
}

Bytes BuildPackage(const std::vector<TestEntry>& entries) {
  Bytes body;
  for (const TestEntry& entry : entries) {
    Bytes record = Record(entry.name, entry.data);
    body.insert(body.end(), record.begin(), record.end());
  }
  Bytes end_marker = U32(0);
  body.insert(body.end(), end_marker.begin(), end_marker.end());
  return WithHeader(body);
}

}  // namespace hxf::testing
