// A file system that passes everything to another one (the host's, or one in memory), except for
// the faults a test asks for. Two kinds, which may be combined:
// - standing faults (Faults): a disk that fills up, a package that cannot be finished, source
//   files that change size or cannot be read while they are copied, directories that cannot be
//   listed;
// - one counted fault (FailNth): the Nth open, creation, directory creation, listing, read, write
//   or commit from the moment it is armed fails with a no-space, I/O or permission error. Each
//   kind of operation is counted, so a test can first run a job cleanly to learn how many there
//   are, then fail each of them in turn.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
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
  // Run in each commit before the file is flushed, and after each commit that went through: a
  // test does there what happens while a slow disk flushes, or just after the rename (a cancel
  // arriving, a window being closed).
  std::function<void()> while_flushing;
  std::function<void()> after_commit;
  // Files with these names report a size this many bytes off their real size, as if they had
  // changed between being measured and being read.
  std::map<std::string, std::int64_t> size_changes;
  // Reading files with these names fails once their first bytes have been read.
  std::set<std::string> unreadable_files;
  // Listing directories with these paths fails.
  std::set<std::string> unlistable_directories;
};

enum class Operation {
  kOpen,           // opening a file or directory that exists
  kCreate,         // starting a file that replaces another on commit
  kMakeDirectory,  // making a directory (or opening one with `create`)
  kList,
  kRead,
  kWrite,   // appending or overwriting
  kCommit,  // flushing and renaming into place
};
inline constexpr std::array kAllOperations = {
    Operation::kOpen, Operation::kCreate, Operation::kMakeDirectory, Operation::kList,
    Operation::kRead, Operation::kWrite,  Operation::kCommit};
const char* OperationName(Operation operation);

// The text a failure with `code` carries, as the operating system would word it.
std::string FaultReason(Status::Code code);

class FaultyFileSystem final : public FileSystem {
 public:
  explicit FaultyFileSystem(Faults faults = {}, FileSystem& base = SystemFileSystem())
      : faults_(std::move(faults)), base_(base) {}

  // Makes the `nth` (from 1) operation of kind `operation` after this call fail with `code`;
  // every other operation passes. Resets the counts.
  void FailNth(Operation operation, std::size_t nth, Status::Code code);
  // Operations of kind `operation` seen since the last FailNth (or since construction).
  std::size_t Count(Operation operation) const;
  // Whether the armed fault has been delivered.
  bool Fired() const;

  Result<std::unique_ptr<InputFile>> OpenForReading(const std::string& path) override;
  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path, bool create) override;
  Result<std::unique_ptr<OutputFile>> CreateReplacing(const std::string& path) override;
  Result<FileId> Identify(const std::string& path) override { return base_.Identify(path); }

  // For the files and directories it hands out.
  const Faults& faults() const { return faults_; }
  // Counts the operation; returns the failure when it is the one to fail, else OK.
  Status Check(Operation operation, const std::string& path);

 private:
  const Faults faults_;
  FileSystem& base_;
  mutable std::mutex mutex_;
  std::array<std::size_t, kAllOperations.size()> counts_{};
  Operation operation_ = Operation::kOpen;
  std::size_t nth_ = 0;  // 0: nothing armed
  Status::Code code_ = Status::Code::kIoError;
  bool fired_ = false;
};

}  // namespace hxf::testing
