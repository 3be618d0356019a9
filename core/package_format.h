// The byte layout of a package and its limits. docs/format.md describes it in prose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hxf::format {

// Header, 64 bytes at offset 0.
inline constexpr std::size_t kHeaderSize = 64;
inline constexpr std::string_view kMagicText = "WADF0100200801291107";  // offset 0, 20 bytes
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kLengthOffset = 20;    // u32: whole file length
inline constexpr std::size_t kChecksumOffset = 24;  // u32: sum of body words
inline constexpr std::string_view kDescriptionText = "Chinachip PMP firmware V1.0";  // 27 bytes
inline constexpr std::size_t kDescriptionOffset = 32;
static_assert(kMagicText.size() == 20 && kDescriptionText.size() == 27);
// The header's bytes that must be zero: after the checksum, and after the description.
struct ByteRange {
  std::size_t offset;
  std::size_t size;
};
inline constexpr ByteRange kZeroFields[] = {{28, 4}, {59, 5}};

// Entry record: u32 name length N, N name bytes, attribute byte, u32 data length L, L data bytes.
inline constexpr std::size_t kLengthFieldSize = 4;
inline constexpr std::byte kAttributeByte{0x20};
inline constexpr char kNameSeparator = '\\';
// A reader accepts names of 1 to kMaxNameLength bytes; a name length of 0 is the end marker.
inline constexpr std::uint32_t kMaxNameLength = 400;
inline constexpr std::size_t kEndMarkerSize = 4;
inline constexpr std::size_t kEmptyPackageSize = kHeaderSize + kEndMarkerSize;  // 68

// Bytes a record takes in the package besides its name and data.
inline constexpr std::size_t kRecordOverhead = kLengthFieldSize + 1 + kLengthFieldSize;

// Readers handle file positions and sizes as signed 32-bit values: a stored file, and the whole
// package with it, stays below 2 GiB.
inline constexpr std::uint64_t kMaxStoredFileSize = (std::uint64_t{1} << 31) - 1;
inline constexpr std::uint64_t kMaxPackageSize = (std::uint64_t{1} << 31) - 1;

}  // namespace hxf::format
