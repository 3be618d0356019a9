// Writes a package front to back in one pass: a placeholder header, the entry records, the end
// marker, then the header's fields. The checksum is summed from the bytes as they go out, so the
// package is never read back and nothing of its size is ever held in memory. The writer checks
// that each record gets exactly the data it declared and that the package stays within the
// format's limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/checksum.h"
#include "core/file_system.h"
#include "core/status.h"

namespace hxf {

class RecordWriter {
 public:
  // Writes to `file`, which must be empty and outlive the writer.
  explicit RecordWriter(OutputFile& file);
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

  // Writes the 64 zero bytes that hold the header's place. Call first.
  Status Start();

  // Whether a record with a name of `name_size` bytes and `data_length` data bytes still fits,
  // the end marker included, below the format's 2 GiB package limit.
  bool Fits(std::size_t name_size, std::uint64_t data_length) const;
  // Writes a record's name length, name, attribute byte and data length. Fails with
  // kInvalidArgument when the name is not 1 to 400 bytes, the data reach 2 GiB, or the record
  // does not fit (see Fits).
  Status BeginEntry(std::string_view name, std::uint64_t data_length);
  // Writes the next bytes of the current record's data; fails with kInvalidArgument rather than
  // write more than the record declared.
  Status WriteData(std::span<const std::byte> bytes);
  // Closes the current record; fails with kInvalidArgument unless exactly the declared data came.
  Status FinishEntry();

  // Writes the end marker: after it, the checksum is final.
  Status WriteEndMarker();
  // Fills in the header: both texts, the package length and the checksum.
  Status WriteHeader();

  // Bytes of the package so far, and the checksum of its body so far.
  std::uint64_t size() const { return size_; }
  std::uint32_t checksum() const { return checksum_.value(); }
  // The final path of the package.
  const std::string& path() const { return file_.path(); }

 private:
  enum class State { kNew, kBetweenEntries, kInEntry, kEnded, kDone, kFailed };

  Status Expect(State state, std::string_view action);
  // Adds body bytes: small ones are gathered, large ones go straight out.
  Status Append(std::span<const std::byte> bytes);
  Status Flush();
  Status Failed(Status status);

  OutputFile& file_;
  State state_ = State::kNew;
  std::vector<std::byte> pending_;  // small fields and data gathered into one write
  std::uint64_t size_ = 0;
  std::uint64_t data_left_ = 0;
  PackageChecksum checksum_;
};

}  // namespace hxf
