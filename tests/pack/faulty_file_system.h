// A file system that passes everything to the host's, except for the faults a test asks for: a
// disk that fills up, a package that cannot be finished, source files that change size or cannot
// be read while they are copied, directories that cannot be listed.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "core/file_system.h"

namespace hxf::testing {

struct Faults {
  // Appending to a file being written fails with kNoSpace once it would grow past this size.
  std::optional<std::uint64_t> disk_space;
  // Bytes written past this size are counted but not stored, so a test can make a package grow
  // to sizes a disk should not hold.
  std::optional<std::uint64_t> stored_bytes;
  bool fail_write_at = false;  // overwriting written bytes (the header) fails
  bool fail_commit = false;
  // Files with these names report a size this many bytes off their real size, as if they had
  // changed between being measured and being read.
  std::map<std::string, std::int64_t> size_changes;
  // Reading files with these names fails once their first bytes have been read.
  std::set<std::string> unreadable_files;
  // Listing directories with these paths fails.
  std::set<std::string> unlistable_directories;
};

class FaultyFileSystem final : public FileSystem {
 public:
  explicit FaultyFileSystem(Faults faults, FileSystem& base = SystemFileSystem())
      : faults_(std::move(faults)), base_(base) {}

  Result<std::unique_ptr<InputFile>> OpenForReading(const std::string& path) override {
    return base_.OpenForReading(path);
  }
  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path, bool create) override;
  Result<std::unique_ptr<OutputFile>> CreateReplacing(const std::string& path) override;
  Result<FileId> Identify(const std::string& path) override { return base_.Identify(path); }

 private:
  const Faults faults_;
  FileSystem& base_;
};

}  // namespace hxf::testing
