// Writes a package front to back in one pass: a placeholder header, the entry records, the end
// marker, then the header's fields. The checksum is summed from the bytes as they go out, so the
// package is never read back. The writer checks that each record gets exactly the data it
// declared and that the package stays within the format's limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
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

  // Writes the 64 zero bytes that hold the header's place.
  Status Start();
  // Writes a record's name length, name, attribute byte and data length. The name must be 1 to
  // 400 bytes; fails with kInvalidArgument otherwise, or when the package would reach 4 GiB.
  Status BeginEntry(std::string_view name, std::uint32_t data_length);
  // Writes the next bytes of the current record's data; never more than it declared.
  Status WriteData(std::span<const std::byte> bytes);
  // Closes the current record; fails with kInvalidArgument unless exactly the declared data came.
  Status FinishEntry();
  // Writes the end marker, then the header with the package length and checksum.
  Status Finish();

  std::uint64_t size() const { return size_; }
  std::uint32_t checksum() const { return checksum_.value(); }

 private:
  Status Append(std::span<const std::byte> bytes);
  Status Flush();

  OutputFile& file_;
  std::vector<std::byte> pending_;  // small fields gathered into one write
  std::uint64_t size_ = 0;
  std::uint64_t data_left_ = 0;
  bool in_entry_ = false;
  PackageChecksum checksum_;
};

}  // namespace hxf
