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
  std::unique_ptr<RecordReader> reader;
  std::uint64_t entries = 0;
  std::optional<std::uint64_t> end_marker_offset;  // of the first name length of 0
  std::string problem;  // why the records could not be followed to the end, if they could not
};

// Opens `path` and reads all its records, handing each entry to `on_entry` (its data skipped).
// Fails when the package cannot be opened or read.
Result<PackageScan> ScanPackage(const std::string& path,
                                const std::function<void(const EntryRecord&)>& on_entry);

}  // namespace hxf::cli
