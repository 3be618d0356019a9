// The package checksum: the sum, modulo 2^32, of the little-endian 32-bit words of the body
// (everything from offset 64 on). A trailing 1 to 3 bytes that do not fill a word are left out.
// Bytes are fed as they stream past, in any chunking; the value is the same as one pass over the
// whole body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace hxf {

class PackageChecksum {
 public:
  // Feeds the next body bytes, in file order.
  void Update(std::span<const std::byte> bytes);
  // The checksum of the bytes fed so far (an incomplete last word does not count).
  std::uint32_t value() const { return sum_; }
  std::uint64_t bytes_fed() const { return bytes_fed_; }

 private:
  std::uint32_t sum_ = 0;
  std::uint64_t bytes_fed_ = 0;
  std::byte pending_[4] = {};  // the start of a word split across two Update calls
  std::size_t pending_size_ = 0;
};

// Sums whole little-endian words of `bytes` (its size a multiple of 4) onto `sum`.
std::uint32_t SumWords(std::uint32_t sum, std::span<const std::byte> bytes);

}  // namespace hxf
