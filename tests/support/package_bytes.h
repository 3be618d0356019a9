// Packages laid out byte by byte for tests, independently of the library's writer, so that the
// reader and the writer are each checked against the format rather than against each other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/files.h"

namespace hxf::testing {

struct TestEntry {
  std::string name;  // bytes as stored
  std::string data;
};

Bytes U32(std::uint32_t value);
// One entry record: name length, name, attribute 0x20, data length, data.
Bytes Record(std::string_view name, std::string_view data);
// The 64-byte header with both texts and the given fields.
Bytes Header(std::uint32_t length, std::uint32_t checksum);
// The checksum by its definition: the (S - 64) / 4 little-endian words from offset 64, summed.
std::uint32_t ReferenceChecksum(const Bytes& package);
// A whole, valid package: header (with length and checksum), records, end marker.
Bytes BuildPackage(const std::vector<TestEntry>& entries);
// A header with correct fields in front of an arbitrary body.
Bytes WithHeader(const Bytes& body);

Bytes Concat(std::initializer_list<Bytes> parts);

}  // namespace hxf::testing
