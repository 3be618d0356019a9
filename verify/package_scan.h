// Reads a package's records for the jobs that inspect it without unpacking.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/file_system.h"
#include "core/package_integrity.h"
#include "core/record_reader.h"

namespace hxf {

struct PackageScan {
  std::unique_ptr<InputFile> file;
  // Read to its end; its corruption() says why the records could not be followed, if they could
  // not, and its header and checksum are the whole file's.
  std::unique_ptr<RecordReader> reader;
  RecordTally records;
};

// Reads all the records of `file` (open at its start), handing the reader to `on_entry` at each
// entry (its data then skipped); the header has been read by then. Fails when the package cannot
// be read, and with kCancelled once `stop` (when given) says so between two records.
Result<PackageScan> ScanPackage(std::unique_ptr<InputFile> file,
                                const std::function<void(const RecordReader&)>& on_entry,
                                const std::function<bool()>& stop = nullptr);
// The same for the package at `path`; fails also when it cannot be opened.
Result<PackageScan> ScanPackage(const std::string& path,
                                const std::function<void(const RecordReader&)>& on_entry);

}  // namespace hxf
