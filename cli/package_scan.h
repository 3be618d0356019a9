// Reads a package's records for the commands that inspect it without unpacking.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/file_system.h"
#include "core/record_reader.h"

namespace hxf::cli {

struct PackageScan {
  std::unique_ptr<InputFile> file;
  // Read to its end; its corruption() says why the records could not be followed, if they could
  // not, and its header and checksum are the whole file's.
  std::unique_ptr<RecordReader> reader;
  std::uint64_t entries = 0;
  std::optional<std::uint64_t> end_marker_offset;  // of the first name length of 0
};

// Opens `path` and reads all its records, handing the reader to `on_entry` at each entry (its
// data then skipped); the header has been read by then. Fails when the package cannot be opened
// or read.
Result<PackageScan> ScanPackage(const std::string& path,
                                const std::function<void(const RecordReader&)>& on_entry);

}  // namespace hxf::cli
