#include "core/directory_listing.h"

#include <algorithm>
#include <limits>

namespace hxf {

Status Listing::Add(const DirectoryEntry& entry) {
  const std::size_t name_size = entry.name.size();
  // No file system allows names near 64 KiB (NTFS allows 255 UTF-16 units, 765 bytes in UTF-8).
  if (name_size >= kNameBlockSize) {
    return Status::Error(Status::Code::kInvalidArgument, "a name is too long");
  }
  std::size_t offset = names_end_;
  if (offset % kNameBlockSize + name_size > kNameBlockSize || name_blocks_.empty()) {
    // A name never spans two blocks: it starts the next one.
    offset = name_blocks_.size() * kNameBlockSize;
  }
  if (offset + name_size > std::numeric_limits<std::uint32_t>::max()) {
    return Status::Error(Status::Code::kInvalidArgument, "too many names");
  }
  if (offset == name_blocks_.size() * kNameBlockSize) {
    name_blocks_.push_back(std::make_unique_for_overwrite<char[]>(kNameBlockSize));
  }
  if (size_ % kRecordsPerBlock == 0) {
    record_blocks_.push_back(std::make_unique_for_overwrite<Record[]>(kRecordsPerBlock));
  }
  std::copy(entry.name.begin(), entry.name.end(),
            name_blocks_[offset / kNameBlockSize].get() + offset % kNameBlockSize);
  names_end_ = offset + name_size;
  record_blocks_[size_ / kRecordsPerBlock][size_ % kRecordsPerBlock] = {
      entry.file_inode, static_cast<std::uint32_t>(offset), static_cast<std::uint16_t>(name_size),
      entry.kind, entry.link};
  ++size_;
  return Status::Ok();
}

DirectoryEntry Listing::operator[](std::size_t index) const {
  const Record& record = record_blocks_[index / kRecordsPerBlock][index % kRecordsPerBlock];
  const char* name =
      name_blocks_[record.name_offset / kNameBlockSize].get() + record.name_offset % kNameBlockSize;
  return {std::string_view(name, record.name_size), record.kind, record.link, record.file_inode};
}

}  // namespace hxf
