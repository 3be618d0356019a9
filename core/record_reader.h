// Reads a package front to back in one pass: the header, then the entry records, streaming each
// record's data through one fixed buffer. Every byte after the header is summed into the package
// checksum as it passes, so the header's fields can be checked at the end without a second read.
// Lengths are checked against the format's limits and the bytes left before anything is read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// Why the records of a package cannot be followed further, and where.
struct Corruption {
  enum class Kind {
    kNameLength,   // a name length over the limit
    kCutShort,     // the file ends inside the record's name length, name, attribute or data length
    kDataPastEnd,  // the record's data run past the end of the file
  };
  Kind kind = Kind::kCutShort;
  std::uint64_t offset = 0;  // of the record's name length field, whatever the kind
  friend bool operator==(const Corruption&, const Corruption&) = default;
};

// The corruption in words, for a user: what and at which offset.
std::string Describe(const Corruption& corruption);

class RecordReader {
 public:
  enum class Step {
    kEntry,      // entry() holds the record, whose data fit in the file; read or skip them next
    kEndMarker,  // a name length of 0: the end marker, or padding; scanning goes on
    kEnd,        // every byte of the file has been read
    kCorrupt,    // corruption() says why the records end here; every later step says so again
  };

  static constexpr std::size_t kDefaultBufferSize = 1024000;

  // Reads `file` from its start. `file` must outlive the reader.
  explicit RecordReader(InputFile& file, std::size_t buffer_size = kDefaultBufferSize);

  // Moves to the next record. The first call reads the header. On kCorrupt the rest of the file
  // has been read and summed, so the checksum is the whole body's. Fails only on a read error.
  Result<Step> Next();

  // The current record, after Next() returned kEntry.
  const EntryRecord& entry() const { return entry_; }
  // The next chunk of the current record's data, empty once all of it has been read. Fails with
  // kCorruption, corruption() then set, when the file ends first: it shrank after it was opened
  // (the chunks already returned were all there was).
  Result<std::span<const std::byte>> ReadData();
  // Reads past the rest of the current record's data (still summing it). Fails as ReadData does.
  Status SkipData();

  // The name bytes of the earlier record at `record_offset` (the offset of an entry this reader
  // has handed out), read again from the file, neither summed nor changing where the reader
  // stands. So a caller can keep a record's offset in place of its name. Fails with kCorruption
  // when no name of a valid length is there.
  Result<std::string> NameAt(std::uint64_t record_offset);

  // The one report of a package whose records cannot be followed, once Next() returned kCorrupt
  // or ReadData failed with kCorruption.
  const std::optional<Corruption>& corruption() const { return corruption_; }

  // Where the reader stands: the offset of the next unread byte.
  std::uint64_t offset() const { return offset_; }
  std::uint64_t file_size() const { return file_.size(); }

  // The header bytes read (fewer than 64 when the file is that short).
  std::span<const std::byte> header() const { return {header_.data(), header_size_}; }
  bool HeaderComplete() const { return header_size_ == format::kHeaderSize; }
  bool MagicTextMatches() const;
  bool DescriptionTextMatches() const;
  bool HeaderTextsMatch() const { return MagicTextMatches() && DescriptionTextMatches(); }
  std::uint32_t HeaderLengthField() const;
  std::uint32_t HeaderChecksumField() const;
  // The checksum of the body read so far; the whole body's once Next() returned kEnd or kCorrupt.
  std::uint32_t Checksum() const { return checksum_.value(); }

 private:
  // Fills `out` from the file; returns how many bytes there were (fewer only at the end).
  Result<std::size_t> ReadExact(std::span<std::byte> out);
  // Reads the next bufferful; call only when the buffer is empty.
  Status Refill();
  std::span<const std::byte> Take(std::size_t max);
  // Records the corruption and reads, summing, everything left in the file.
  Result<Step> Corrupt(Corruption::Kind kind, std::uint64_t record_offset);
  // Reads, and sums, everything left in the file without parsing it.
  Status ReadToEnd();
  // Fills `out` straight from the file at its current position, past the buffer.
  Status ReadAround(std::span<std::byte> out);
  std::uint64_t BytesLeft() const;

  InputFile& file_;
  std::vector<std::byte> buffer_;
  std::size_t buffer_begin_ = 0;
  std::size_t buffer_end_ = 0;
  std::uint64_t offset_ = 0;
  std::optional<Corruption> corruption_;
  bool header_read_ = false;
  std::array<std::byte, format::kHeaderSize> header_{};
  std::size_t header_size_ = 0;
  EntryRecord entry_;
  std::uint64_t data_left_ = 0;
  PackageChecksum checksum_;
};

}  // namespace hxf
