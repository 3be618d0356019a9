#include "core/file_system.h"

namespace hxf {

Result<SizedListing> Directory::ListWithSizes() {
  Result<Listing> listing = List();
  if (!listing.ok()) return listing.status();
  SizedListing sized{std::move(listing.value()), {}};
  sized.sizes.reserve(sized.listing.size());
  for (const DirectoryEntry entry : sized.listing) {
    Result<std::uint64_t> size =
        entry.kind == EntryKind::kFile ? FileSize(entry.name) : Result<std::uint64_t>(0);
    sized.sizes.push_back(size.ok() ? *size : 0);
  }
  return sized;
}

}  // namespace hxf
