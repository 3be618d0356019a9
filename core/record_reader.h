// Reads a package front to back in one pass: the header, then the entry records, streaming each
// record's data through one fixed buffer. Every byte after the header is summed into the package
// checksum as it passes, so the header's fields can be checked at the end without a second read.
// Lengths are checked against the format's limits and the bytes left before anything is read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/checksum.h"
#include "core/file_system.h"
#include "core/package_format.h"
#include "core/status.h"

namespace hxf {

struct EntryRecord {
  std::uint64_t offset = 0;  // of the record's name length field
  std::string name;          // the name bytes as stored (not decoded)
  std::byte attribute{0};
  std::uint32_t data_length = 0;
};

class RecordReader {
 public:
  enum class Step {
    kEntry,          // entry() holds the record; read or skip its data before the next step
    kEndMarker,      // a name length of 0: the end marker, or padding; scanning goes on
    kEnd,            // every byte of the file has been read
    kBadNameLength,  // a name length over the limit: the records cannot be followed further
    kTruncated,      // the file ends inside a record's fields
  };

  static constexpr std::size_t kDefaultBufferSize = 1024000;

  // Reads `file` from its start. `file` must outlive the reader.
  explicit RecordReader(InputFile& file, std::size_t buffer_size = kDefaultBufferSize);

  // Moves to the next record. The first call reads the header. Fails only on a read error.
  Result<Step> Next();

  // The current record, after Next() returned kEntry.
  const EntryRecord& entry() const { return entry_; }
  // The next chunk of the current record's data, empty once all of it has been read. Fails with
  // kCorruption when the file ends first (the chunk already returned were all there was).
  Result<std::span<const std::byte>> ReadData();
  // Reads past the rest of the current record's data (still summing it).
  Status SkipData();
  // Reads, and sums, everything left in the file without parsing it: after a record that cannot
  // be followed, this still gives the whole body's checksum.
  Status ReadToEnd();

  // Where the reader stands: the offset of the next unread byte.
  std::uint64_t offset() const { return offset_; }
  // The offset where the problem reported by kBadNameLength or kTruncated lies.
  std::uint64_t problem_offset() const { return problem_offset_; }
  std::uint64_t file_size() const { return file_.size(); }

  // The header bytes read (fewer than 64 when the file is that short).
  std::span<const std::byte> header() const { return {header_.data(), header_size_}; }
  bool HeaderComplete() const { return header_size_ == format::kHeaderSize; }
  bool HeaderTextsMatch() const;
  std::uint32_t HeaderLengthField() const;
  std::uint32_t HeaderChecksumField() const;
  // The checksum of the body read so far; the whole body's once Next() returned kEnd.
  std::uint32_t Checksum() const { return checksum_.value(); }

 private:
  // Fills `out` from the file; returns how many bytes there were (fewer only at the end).
  Result<std::size_t> ReadExact(std::span<std::byte> out);
  // Reads the next bufferful; call only when the buffer is empty.
  Status Refill();
  std::span<const std::byte> Take(std::size_t max);

  InputFile& file_;
  std::vector<std::byte> buffer_;
  std::size_t buffer_begin_ = 0;
  std::size_t buffer_end_ = 0;
  std::uint64_t offset_ = 0;
  std::uint64_t problem_offset_ = 0;
  bool header_read_ = false;
  std::array<std::byte, format::kHeaderSize> header_{};
  std::size_t header_size_ = 0;
  EntryRecord entry_;
  std::uint64_t data_left_ = 0;
  PackageChecksum checksum_;
};

}  // namespace hxf
