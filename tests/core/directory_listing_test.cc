#include "core/directory_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hxf {
namespace {

// Enough names of varied lengths to fill several blocks of names and of records, so that names
// that would cross a block's end are among them.
TEST(Listing, GivesBackEveryEntryAsAdded) {
  Listing listing;
  std::vector<std::string> names;
  for (int i = 0; i < 10'000; ++i) {
    names.push_back(std::to_string(i) + std::string(static_cast<std::size_t>(i % 300), 'n'));
    const DirectoryEntry entry{names.back(), i % 2 == 0 ? EntryKind::kFile : EntryKind::kDirectory,
                               i % 3 == 0, static_cast<std::uint64_t>(i) * 7};
    ASSERT_TRUE(listing.Add(entry).ok()) << i;
  }
  ASSERT_EQ(listing.size(), names.size());
  std::size_t i = 0;
  for (const DirectoryEntry entry : listing) {
    ASSERT_EQ(entry.name, names[i]) << i;
    EXPECT_EQ(entry.kind, i % 2 == 0 ? EntryKind::kFile : EntryKind::kDirectory) << i;
    EXPECT_EQ(entry.link, i % 3 == 0) << i;
    EXPECT_EQ(entry.file_inode, i * 7) << i;
    ++i;
  }
  EXPECT_EQ(i, names.size());
}

TEST(Listing, RefusesANameNoDirectoryCanHoldAndKeepsTheRest) {
  Listing listing;
  const std::string longest(65'535, 'a');
  const std::string too_long(65'536, 'a');
  ASSERT_TRUE(listing.Add({"first", EntryKind::kFile}).ok());
  const Status refused = listing.Add({too_long, EntryKind::kFile});
  EXPECT_EQ(refused.code(), Status::Code::kInvalidArgument);
  ASSERT_TRUE(listing.Add({longest, EntryKind::kOther}).ok());
  ASSERT_EQ(listing.size(), 2u);
  EXPECT_EQ(listing[0].name, "first");
  EXPECT_EQ(listing[1].name, longest);
  EXPECT_EQ(listing[1].kind, EntryKind::kOther);
}

}  // namespace
}  // namespace hxf
