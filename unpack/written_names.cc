#include "unpack/written_names.h"

#include <algorithm>
#include <bit>

#include "core/name_hash.h"

namespace hxf {
namespace {

// At least this many bits of each hash stay in its slot, however large the package.
constexpr int kMinTagBits = 8;

// FNV-1a's low bits depend little on a name's last bytes: mixed (the finaliser of splitmix64),
// every bit of the hash depends on every byte, so that names alike but for their ends spread
// over the segments and their slots.
std::uint64_t Mixed(std::uint64_t hash) {
  hash ^= hash >> 30;
  hash *= 0xBF58476D1CE4E5B9u;
  hash ^= hash >> 27;
  hash *= 0x94D049BB133111EBu;
  return hash ^ (hash >> 31);
}

}  // namespace

WrittenNames::WrittenNames(std::uint64_t package_size, KeyAt key_at)
    : offset_bits_(std::clamp(static_cast<int>(std::bit_width(package_size)), 1, 64 - kMinTagBits)),
      offset_mask_((std::uint64_t{1} << offset_bits_) - 1),
      key_at_(std::move(key_at)) {}

WrittenNames::Hashed WrittenNames::Hash(std::string_view key) {
  const std::uint64_t hash = Mixed(NameHash(key));
  return {&segments_[hash >> (64 - kSegmentBits)], (hash << kSegmentBits) & ~offset_mask_};
}

std::size_t WrittenNames::Home(std::uint64_t tag, std::size_t size) const {
  // The tag's first 32 bits scaled to the segment's size, which need not be a power of two.
  return static_cast<std::size_t>(((tag >> 32) * size) >> 32);
}

Result<bool> WrittenNames::Contains(std::string_view key) {
  const Hashed hashed = Hash(key);
  const std::vector<std::uint64_t>& slots = hashed.segment->slots;
  if (slots.empty()) return false;
  for (std::size_t at = Home(hashed.tag, slots.size());; at = (at + 1) % slots.size()) {
    const std::uint64_t slot = slots[at];
    if (slot == 0) return false;
    if ((slot & ~offset_mask_) != hashed.tag) continue;
    Result<std::string> earlier = key_at_(slot & offset_mask_);
    if (!earlier.ok()) return earlier.status();
    if (*earlier == key) return true;
  }
}

void WrittenNames::Add(std::string_view key, std::uint64_t record_offset) {
  const Hashed hashed = Hash(key);
  Segment& segment = *hashed.segment;
  // Linear probing stays short up to 7 slots in 8 taken.
  if ((segment.used + 1) * 8 > segment.slots.size() * 7) Grow(segment);
  std::vector<std::uint64_t>& slots = segment.slots;
  std::size_t at = Home(hashed.tag, slots.size());
  while (slots[at] != 0) at = (at + 1) % slots.size();
  slots[at] = hashed.tag | (record_offset & offset_mask_);
  ++segment.used;
}

void WrittenNames::Grow(Segment& segment) {
  std::vector<std::uint64_t> old = std::move(segment.slots);
  std::vector<std::uint64_t>& slots = segment.slots;
  slots.assign(std::max<std::size_t>(16, old.size() + old.size() / 2), 0);
  for (const std::uint64_t slot : old) {
    if (slot == 0) continue;
    std::size_t at = Home(slot & ~offset_mask_, slots.size());
    while (slots[at] != 0) at = (at + 1) % slots.size();
    slots[at] = slot;
  }
}

}  // namespace hxf
