#include "core/checksum.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/package_bytes.h"

namespace hxf {
namespace {

using testing::Bytes;

Bytes RandomBytes(std::size_t size) {
  std::mt19937 random(42);
  Bytes bytes(size);
  for (std::byte& b : bytes) b = static_cast<std::byte>(random());
  return bytes;
}

// One word at a time, straight from the definition.
std::uint32_t WordByWordSum(std::uint32_t sum, std::span<const std::byte> bytes) {
  for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) word |= std::to_integer<std::uint32_t>(bytes[at + i]) << (8 * i);
    sum += word;
  }
  return sum;
}

// The word sum takes large blocks at a time: every start alignment and every length around and
// across several blocks must give the word-by-word value, the partial word left out.
TEST(SumWords, EqualsTheWordByWordSumAtEveryAlignmentAndLength) {
  const Bytes data = RandomBytes(1024);
  for (std::size_t start = 0; start < 16; ++start) {
    for (std::size_t length = 0; start + length <= 700; ++length) {
      const auto bytes = std::span(data).subspan(start, length);
      ASSERT_EQ(SumWords(0x89ABCDEFu, bytes), WordByWordSum(0x89ABCDEFu, bytes))
          << "start " << start << ", length " << length;
    }
  }
}

TEST(SumWords, EveryLaneWrapsModulo2To32) {
  // All-ones words: each lane of a block sum overflows many times over.
  const Bytes ones(4 * 100003, std::byte{0xFF});
  EXPECT_EQ(SumWords(0, ones), static_cast<std::uint32_t>(-100003));
  EXPECT_EQ(SumWords(5, ones), static_cast<std::uint32_t>(5 - 100003));
}

TEST(PackageChecksum, SameValueWhateverTheChunking) {
  const Bytes body = RandomBytes(10007);  // not a multiple of four
  const std::uint32_t whole = SumWords(0, std::span(body).first(body.size() & ~std::size_t{3}));
  for (std::size_t chunk : {1, 2, 3, 5, 7, 64, 4096, 20000}) {
    PackageChecksum checksum;
    for (std::size_t at = 0; at < body.size(); at += chunk) {
      checksum.Update(std::span(body).subspan(at, std::min(chunk, body.size() - at)));
    }
    EXPECT_EQ(checksum.value(), whole) << "chunk " << chunk;
    EXPECT_EQ(checksum.bytes_fed(), body.size());
  }
}

TEST(PackageChecksum, AgreesWithTheDefinitionOverWholePackages) {
  // The two packages of the format description, and their stated checksums.
  const Bytes small = testing::BuildPackage({{"a.txt", "abc"}});
  const Bytes larger =
      testing::BuildPackage({{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}});
  ASSERT_EQ(small.size(), 85u);
  ASSERT_EQ(larger.size(), 105u);
  EXPECT_EQ(testing::ReferenceChecksum(small), 0xDAD84F3Du);
  EXPECT_EQ(testing::ReferenceChecksum(larger), 0xBB483C9Du);
  for (const Bytes& package : {small, larger}) {
    PackageChecksum checksum;
    checksum.Update(std::span(package).subspan(64));
    EXPECT_EQ(checksum.value(), testing::ReferenceChecksum(package));
  }
}

TEST(PackageChecksum, TrailingPartialWordIsLeftOut) {
  PackageChecksum checksum;
  const Bytes body = {std::byte{1},    std::byte{0},    std::byte{0},   std::byte{0},
                      std::byte{0xFF}, std::byte{0xFF}, std::byte{0xFF}};
  checksum.Update(body);
  EXPECT_EQ(checksum.value(), 1u);
}

TEST(PackageChecksum, WrapsModulo2To32) {
  PackageChecksum checksum;
  checksum.Update(testing::Concat({testing::U32(0xFFFFFFFF), testing::U32(3)}));
  EXPECT_EQ(checksum.value(), 2u);
}

}  // namespace
}  // namespace hxf
