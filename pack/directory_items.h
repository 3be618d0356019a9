// A directory's entries as the packer holds them from its listing until they are packed: sorted
// into the package's order, each with its package name or the reason it has none. The packer holds
// one of these for every directory from the pack root down to the one it packs, so each entry
// costs its listing's record and name, a record of 12 bytes here, and its package name only where
// that differs from the host name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/directory_listing.h"
#include "core/name_encoding.h"
#include "core/status.h"

namespace hxf {

// Why a name cannot be stored in a package.
enum class NameRefusal : std::uint8_t {
  kNone,
  kBackslash,     // it would split into directories
  kNotAllowed,    // a character no unpacked name may hold
  kNotEncodable,  // no form in the package's encoding
};

struct DirectoryItem {
  std::string_view host_name;
  std::string_view package_name;  // the host name when refused
  EntryKind kind = EntryKind::kOther;
  bool link = false;
  NameRefusal refusal = NameRefusal::kNone;
  // Another entry of the directory may have the same name once ASCII case is ignored (a name
  // equal to this one folded, or one whose folded form hashes alike).
  bool case_twin = false;
  std::uint32_t entry = 0;  // its index in the listing
};

class DirectoryItems {
 public:
  DirectoryItems(Listing listing, NameEncoding names);

  const Listing& listing() const { return listing_; }

  // Takes the listing's entry `index` as an item, working out its package name.
  Status Add(std::size_t index);
  // Puts the items into the package's order and marks the case twins.
  void Sort();

  std::size_t size() const { return items_.size(); }
  DirectoryItem operator[](std::size_t index) const;

 private:
  // 12 bytes an entry.
  struct Record {
    std::uint32_t entry;           // in the listing, which is also the listing's order
    std::uint32_t package_offset;  // in package_names_, when `renamed`
    std::uint16_t package_size;
    NameRefusal refusal;
    bool renamed : 1;  // the package name differs from the host name
    bool case_twin : 1;
  };
  static_assert(sizeof(Record) == 12);

  std::string_view PackageName(const Record& record) const;
  void MarkCaseTwins();

  Listing listing_;
  NameEncoding names_;
  std::string package_names_;  // the package names that differ from host names, end to end
  std::vector<Record> items_;
};

}  // namespace hxf
