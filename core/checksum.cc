#include "core/checksum.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/byte_order.h"

namespace hxf {
namespace {

// Bytes summed per step of the vector loop: four vectors of four words, so that four
// independent additions are in flight.
constexpr std::size_t kBlockSize = 64;

#if defined(__GNUC__)
// GCC does not vectorise the word-at-a-time loop at -O2, and at -O3 it gathers each word byte by
// byte. Adding whole vectors of words gives the same sum (addition modulo 2^32 is associative and
// commutative, so the lanes may be added up in any order) at the speed of the loads.
using WordVector = std::uint32_t __attribute__((vector_size(16)));

std::uint32_t SumBlocks(const std::byte* bytes, std::size_t blocks) {
  WordVector a{}, b{}, c{}, d{};
  for (; blocks > 0; --blocks, bytes += kBlockSize) {
    WordVector v[4];
    std::memcpy(v, bytes, sizeof v);  // no alignment assumed
    a += v[0];
    b += v[1];
    c += v[2];
    d += v[3];
  }
  a += b + c + d;
  return a[0] + a[1] + a[2] + a[3];
}
#else
std::uint32_t SumBlocks(const std::byte* bytes, std::size_t blocks) {
  std::uint32_t lanes[kBlockSize / 4] = {};
  for (; blocks > 0; --blocks, bytes += kBlockSize) {
    std::uint32_t block[kBlockSize / 4];
    std::memcpy(block, bytes, sizeof block);
    for (std::size_t i = 0; i < std::size(lanes); ++i) lanes[i] += block[i];
  }
  std::uint32_t sum = 0;
  for (std::uint32_t lane : lanes) sum += lane;
  return sum;
}
#endif

}  // namespace

std::uint32_t SumWords(std::uint32_t sum, std::span<const std::byte> bytes) {
  std::size_t done = 0;
  // The block sum reads words in the host's order, which is the package's only on little-endian
  // hosts; others take the word-by-word loop for everything.
  if constexpr (std::endian::native == std::endian::little) {
    const std::size_t blocks = bytes.size() / kBlockSize;
    sum += SumBlocks(bytes.data(), blocks);
    done = blocks * kBlockSize;
  }
  const std::size_t words = bytes.size() / 4;
  for (std::size_t i = done / 4; i < words; ++i) {
    sum += DecodeU32(bytes.subspan(4 * i).first<4>());
  }
  return sum;
}

void PackageChecksum::Update(std::span<const std::byte> bytes) {
  bytes_fed_ += bytes.size();
  if (pending_size_ > 0) {
    const std::size_t take = std::min(bytes.size(), 4 - pending_size_);
    std::memcpy(pending_ + pending_size_, bytes.data(), take);
    pending_size_ += take;
    bytes = bytes.subspan(take);
    if (pending_size_ < 4) return;
    sum_ = SumWords(sum_, pending_);
    pending_size_ = 0;
  }
  const std::size_t whole = bytes.size() & ~std::size_t{3};
  sum_ = SumWords(sum_, bytes.first(whole));
  pending_size_ = bytes.size() - whole;
  std::memcpy(pending_, bytes.data() + whole, pending_size_);
}

}  // namespace hxf
