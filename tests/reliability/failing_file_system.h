// A file system that passes everything to another one and makes one chosen operation fail: the
// Nth open, creation, directory creation, listing, read, write or commit (flush and rename) from
// the moment the fault is armed, with a no-space, I/O or permission error. It also counts each
// kind of operation, so a test can first run a job cleanly to learn how many there are, then
// fail each of them in turn.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "core/file_system.h"

namespace hxf::testing {

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

class FailingFileSystem final : public FileSystem {
 public:
  explicit FailingFileSystem(FileSystem& base = SystemFileSystem()) : base_(base) {}

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

  // Counts the operation; returns the failure when it is the one to fail, else OK.
  Status Check(Operation operation, const std::string& path);

 private:
  FileSystem& base_;
  mutable std::mutex mutex_;
  std::array<std::size_t, kAllOperations.size()> counts_{};
  Operation operation_ = Operation::kOpen;
  std::size_t nth_ = 0;  // 0: nothing armed
  Status::Code code_ = Status::Code::kIoError;
  bool fired_ = false;
};

}  // namespace hxf::testing
