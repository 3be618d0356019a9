// An InputFile over bytes in memory, for reader tests and fuzzing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/file_system.h"
#include "tests/support/files.h"

namespace hxf::testing {

class MemoryInputFile final : public InputFile {
 public:
  explicit MemoryInputFile(Bytes bytes, std::size_t max_read = SIZE_MAX)
      : bytes_(std::move(bytes)), max_read_(max_read) {}

  // Makes size() claim `size` bytes, more than there are: a file that shrank after it was opened.
  void ClaimSize(std::uint64_t size) { claimed_size_ = size; }
  // Makes every read that would reach the byte at `offset` fail with an I/O error.
  void FailReadsFrom(std::uint64_t offset) { fail_from_ = offset; }

  Result<std::size_t> Read(std::span<std::byte> buffer) override {
    const std::size_t count = std::min({buffer.size(), bytes_.size() - position_, max_read_});
    if (count > 0 && position_ + count > fail_from_) {
      return Status::Error(Status::Code::kIoError, path_ + ": Input/output error");
    }
    // An empty file has no data() to copy from, and memcpy from a null pointer is undefined.
    if (count > 0) std::memcpy(buffer.data(), bytes_.data() + position_, count);
    position_ += count;
    return count;
  }
  Status Seek(std::uint64_t offset) override {
    position_ = std::min<std::uint64_t>(offset, bytes_.size());
    return Status::Ok();
  }
  std::uint64_t size() const override { return claimed_size_ ? claimed_size_ : bytes_.size(); }
  FileId id() const override { return {}; }
  const std::string& path() const override { return path_; }

 private:
  Bytes bytes_;
  std::size_t max_read_;  // a short read at most this long, as a pipe or a slow disk gives
  std::size_t position_ = 0;
  std::uint64_t claimed_size_ = 0;  // 0: the true size
  std::uint64_t fail_from_ = UINT64_MAX;
  std::string path_ = "memory.hxf";
};

}  // namespace hxf::testing
