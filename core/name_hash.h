// A name's hash, for the checks that keep 8 bytes of each of a million names rather than the
// names themselves and compare names in full only where two hashes agree.
#pragma once

#include <cstdint>
#include <string_view>

namespace hxf {

// 64-bit FNV-1a: the same on every host (std::hash is 32 bits on a 32-bit one), and spread well
// enough that a million names rarely give two hashes that agree.
inline std::uint64_t NameHash(std::string_view name) {
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3u;
  }
  return hash;
}

}  // namespace hxf
