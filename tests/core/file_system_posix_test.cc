// What only the POSIX file system shows: hard links and the inode numbers of a listing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "core/file_system.h"
#include "tests/support/files.h"

namespace hxf {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// The packer trusts the listing's inode numbers to rule files out of being the package itself.
TEST(PosixFileSystem, ListingGivesTheInodeOfFilesButNotOfLinks) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  std::filesystem::create_hard_link(dir / "file", dir / "second_name");
  ::symlink("file", (dir / "file_link").c_str());
  Result<std::unique_ptr<Directory>> root = SystemFileSystem().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  Result<Listing> entries = (*root)->List();
  ASSERT_TRUE(entries.ok());
  std::map<std::string, std::uint64_t> inodes;
  for (const DirectoryEntry entry : *entries) inodes[std::string(entry.name)] = entry.file_inode;
  const std::uint64_t inode = SystemFileSystem().Identify(dir / "file")->inode;
  // A link's own number is not its target's: it gives none rather than a wrong one.
  EXPECT_EQ(inodes, (std::map<std::string, std::uint64_t>{
                        {"file", inode}, {"second_name", inode}, {"file_link", 0}}));
}

}  // namespace
}  // namespace hxf
