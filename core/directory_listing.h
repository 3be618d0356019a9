// What a directory holds, as one listing of it saw it. A folder may hold a hundred thousand
// entries that the packer keeps until it has sorted them, so a listing costs little per entry: the
// names lie end to end in one block, and each entry adds one small fixed record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"

namespace hxf {

enum class EntryKind : std::uint8_t {
  kFile,
  kDirectory,
  kOther,  // pipes, devices, sockets, dangling links: never opened
};

// One entry of a listing. The name points into the listing, valid while the listing lives.
struct DirectoryEntry {
  std::string_view name;
  EntryKind kind = EntryKind::kOther;  // what the entry is once links are followed
  bool link = false;                   // the entry itself is a symbolic link
  // The inode number the listing gives for a file that is not a link (so FileId::inode of what
  // the name opens), 0 when it gives none. Lets a walk rule files out without looking each up.
  std::uint64_t file_inode = 0;
};

class Listing {
 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = DirectoryEntry;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = DirectoryEntry;

    Iterator() = default;
    Iterator(const Listing* listing, std::size_t index) : listing_(listing), index_(index) {}
    DirectoryEntry operator*() const { return (*listing_)[index_]; }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++index_;
      return before;
    }
    friend bool operator==(const Iterator&, const Iterator&) = default;

   private:
    const Listing* listing_ = nullptr;
    std::size_t index_ = 0;
  };

  // Copies the entry's name into the listing. Fails, adding nothing, for a name too long to be a
  // directory entry or once the names fill 4 GiB; the message gives the reason alone, for the
  // caller to name the directory.
  Status Add(const DirectoryEntry& entry);

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  DirectoryEntry operator[](std::size_t index) const;
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, size()); }

 private:
  // 16 bytes an entry; offsets of 32 bits are enough for the names of any directory.
  struct Record {
    std::uint64_t file_inode;
    std::uint32_t name_offset;
    std::uint16_t name_size;
    EntryKind kind;
    bool link;
  };
  static_assert(sizeof(Record) == 16);
  // Names and records are kept in blocks of 64 KiB that never move, rather than in arrays that
  // double: a growing array briefly holds its old and new copies, three times what it needs.
  static constexpr std::size_t kNameBlockSize = 64 * 1024;  // holds the longest name allowed
  static constexpr std::size_t kRecordsPerBlock = 4096;

  std::vector<std::unique_ptr<char[]>> name_blocks_;
  std::size_t names_end_ = 0;  // offset of the first free byte, counted over all the blocks
  std::vector<std::unique_ptr<Record[]>> record_blocks_;
  std::size_t size_ = 0;
};

}  // namespace hxf
