#include "core/checksum.h"

#include <algorithm>
#include <cstring>

#include "core/byte_order.h"

namespace hxf {

std::uint32_t SumWords(std::uint32_t sum, std::span<const std::byte> bytes) {
  const std::size_t words = bytes.size() / 4;
  for (std::size_t i = 0; i < words; ++i) {
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
