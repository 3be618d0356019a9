// Explicit little-endian encoding of the 32-bit integers stored in a package. Never write an
// integer's memory straight to a file: the layout must not depend on the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace hxf {

inline void EncodeU32(std::uint32_t value, std::span<std::byte, 4> out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::byte>(value >> (8 * i));
}

inline std::uint32_t DecodeU32(std::span<const std::byte, 4> in) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= std::to_integer<std::uint32_t>(in[i]) << (8 * i);
  return value;
}

}  // namespace hxf
