#include "pack/directory_items.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <utility>

#include "core/entry_path.h"
#include "core/package_format.h"
#include "pack/name_less.h"

namespace hxf {

DirectoryItems::DirectoryItems(Listing listing, NameEncoding names)
    : listing_(std::move(listing)), names_(names) {
  items_.reserve(listing_.size());  // never more items than entries, and no array doubled
}

Status DirectoryItems::Add(std::size_t index) {
  const DirectoryEntry entry = listing_[index];
  Record record{static_cast<std::uint32_t>(index), 0, 0, NameRefusal::kNone, false, false};
  // Refuses, by the host name, what the unpacker would refuse: a backslash, which would split the
  // name into directories, and the characters no unpacked name may hold. A byte 0x5C inside a
  // GBK character is no backslash: the unpacker splits names only once they are decoded.
  if (entry.name.find(format::kNameSeparator) != std::string_view::npos) {
    record.refusal = NameRefusal::kBackslash;
  } else if (!EntryComponentProblem(entry.name).empty()) {
    record.refusal = NameRefusal::kNotAllowed;
  } else if (Result<std::string> encoded = EncodeName(entry.name, names_); !encoded.ok()) {
    record.refusal = NameRefusal::kNotEncodable;
  } else if (*encoded != entry.name) {
    if (package_names_.size() + encoded->size() > std::numeric_limits<std::uint32_t>::max() ||
        encoded->size() > std::numeric_limits<std::uint16_t>::max()) {
      return Status::Error(Status::Code::kInvalidArgument, "too many names");
    }
    record.renamed = true;
    record.package_offset = static_cast<std::uint32_t>(package_names_.size());
    record.package_size = static_cast<std::uint16_t>(encoded->size());
    package_names_ += *encoded;
  }
  items_.push_back(record);
  return Status::Ok();
}

std::string_view DirectoryItems::PackageName(const Record& record) const {
  if (!record.renamed) return listing_[record.entry].name;
  return std::string_view(package_names_).substr(record.package_offset, record.package_size);
}

// Names that compare equal keep the listing's order. A sort in place, with that order as the last
// key, does what std::stable_sort does without the buffer it takes.
void DirectoryItems::Sort() {
  std::sort(items_.begin(), items_.end(), [this](const Record& a, const Record& b) {
    const std::string_view a_name = PackageName(a);
    const std::string_view b_name = PackageName(b);
    if (NameLess(a_name, b_name)) return true;
    return !NameLess(b_name, a_name) && a.entry < b.entry;
  });
  MarkCaseTwins();
}

// Names are compared decoded, so that the trail byte of a two-byte character is never folded.
// Only 32-bit hashes are kept, briefly: items whose folded names hash alike are all marked, which
// marks every real twin and now and then one more.
void DirectoryItems::MarkCaseTwins() {
  std::vector<std::uint64_t> keys;  // the folded name's hash above, the item's index below
  keys.reserve(items_.size());
  std::string folded;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    folded = DecodeName(PackageName(items_[i]), names_);
    for (char& c : folded) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    const auto hash = static_cast<std::uint32_t>(std::hash<std::string>{}(folded));
    keys.push_back(std::uint64_t{hash} << 32 | i);
  }
  std::sort(keys.begin(), keys.end());
  for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
    if (keys[i] >> 32 != keys[i + 1] >> 32) continue;
    items_[keys[i] & 0xFFFFFFFF].case_twin = true;
    items_[keys[i + 1] & 0xFFFFFFFF].case_twin = true;
  }
}

DirectoryItem DirectoryItems::operator[](std::size_t index) const {
  const Record& record = items_[index];
  const DirectoryEntry entry = listing_[record.entry];
  return {entry.name,     PackageName(record), entry.kind,  entry.link,
          record.refusal, record.case_twin,    record.entry};
}

}  // namespace hxf
