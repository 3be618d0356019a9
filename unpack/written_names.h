// The files an unpack has written so far, by name, to tell when a later entry names one of them
// again. A package may hold a million entries, so a name costs 8 bytes and a little room: one
// word holding the offset of the record that gave it and as many bits of the name's hash as the
// rest of the word holds. Where those bits agree, the earlier record's name is read again and
// compared in full, so a name is never taken for another.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"

namespace hxf {

class WrittenNames {
 public:
  // The key of the file that the record at `record_offset` named, read again from the package.
  using KeyAt = std::function<Result<std::string>(std::uint64_t record_offset)>;

  // Every record's offset lies in [1, package_size).
  WrittenNames(std::uint64_t package_size, KeyAt key_at);

  // Whether a file of key `key` was noted. Fails when an earlier record cannot be read again.
  Result<bool> Contains(std::string_view key);
  // Notes the file of key `key`, not noted yet, that the record at `record_offset` wrote.
  void Add(std::string_view key, std::uint64_t record_offset);

 private:
  // The table is split by the hash's first bits into segments that grow one at a time, by half
  // their size: a segment that grows holds its old and new slots at once, never the whole table.
  static constexpr int kSegmentBits = 8;
  struct Segment {
    std::vector<std::uint64_t> slots;  // tag bits, then offset bits; 0 for a free slot
    std::size_t used = 0;
  };

  // The key's segment and the tag bits it gets in a slot.
  struct Hashed {
    Segment* segment;
    std::uint64_t tag;
  };
  Hashed Hash(std::string_view key);
  // Where a slot with `tag` is looked for first in a segment of `size` slots.
  std::size_t Home(std::uint64_t tag, std::size_t size) const;
  void Grow(Segment& segment);

  const int offset_bits_;
  const std::uint64_t offset_mask_;
  KeyAt key_at_;
  std::array<Segment, std::size_t{1} << kSegmentBits> segments_;
};

}  // namespace hxf
