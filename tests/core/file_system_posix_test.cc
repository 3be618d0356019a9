// What only the POSIX file system shows: hard links, the inode numbers of a listing, and what
// another process does to a name while a file is written for it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>

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

// A new file is linked in on commit, which never replaces; what another process has put at the
// name meanwhile is then checked as it would have been before writing, in a directory that was
// there already and in one just made, where nothing is looked for before writing.
TEST(PosixFileSystem, WhatTakesTheNameWhileAFileIsWrittenIsCheckedOnCommit) {
  const struct {
    const char* what;
    std::optional<Status::Code> refused;  // none when the new file replaces it
  } cases[] = {
      {"directory", Status::Code::kInvalidArgument},
      {"read-only file", Status::Code::kPermission},
      {"held file", Status::Code::kBusy},
      {"file", std::nullopt},
  };
  for (const bool made : {false, true}) {
    for (const auto& c : cases) {
      const std::string label = std::string(c.what) + (made ? ", new directory" : "");
      TempDir dir;
      std::filesystem::create_directory(dir / "old");
      Result<std::unique_ptr<Directory>> root = SystemFileSystem().OpenDirectory(dir.path(), false);
      ASSERT_TRUE(root.ok());
      Result<std::unique_ptr<Directory>> directory =
          made ? (*root)->MakeSubdirectory("new") : (*root)->OpenSubdirectory("old");
      ASSERT_TRUE(directory.ok()) << label;
      const std::string path = dir / (made ? "new/name" : "old/name");
      Result<std::unique_ptr<OutputFile>> out = (*directory)->CreateFile("name");
      ASSERT_TRUE(out.ok()) << label;
      ASSERT_TRUE((*out)->Write(testing::ToBytes("new")).ok()) << label;

      std::unique_ptr<InputFile> held;
      if (std::string_view(c.what) == "directory") {
        std::filesystem::create_directory(path);
      } else {
        WriteFile(path, "other's");
      }
      if (std::string_view(c.what) == "read-only file") ::chmod(path.c_str(), 0444);
      if (std::string_view(c.what) == "held file") {
        held = std::move(SystemFileSystem().OpenForReading(path).value());
      }

      const Status committed = (*out)->Commit({});
      if (c.refused) {
        EXPECT_EQ(committed.code(), *c.refused) << label << ": " << committed.message();
        if (std::string_view(c.what) == "directory") {
          EXPECT_TRUE(std::filesystem::is_directory(path)) << label;
        } else {
          EXPECT_EQ(ReadFile(path), testing::ToBytes("other's")) << label;
        }
      } else {
        EXPECT_TRUE(committed.ok()) << label << ": " << committed.message();
        EXPECT_EQ(ReadFile(path), testing::ToBytes("new")) << label;
      }
      out->reset();
      // Nothing of the new file is left beside the name.
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(DirectoryPart(path)),
                              std::filesystem::directory_iterator()),
                1)
          << label;
    }
  }
}

// On a slow disk the flush of a large package would take seconds in which nothing could stop
// the job: it waits for the disk a step at a time instead, looking at the stop between the steps,
// not only before and after them, and a stop found there keeps the old package.
TEST(PosixFileSystem, FlushingALargePackageLooksAtTheStopWhileItWaitsForTheDisk) {
  TempDir dir;
  WriteFile(dir / "p.hxf", "old");
  const testing::Bytes data(8u << 20, std::byte{7});
  auto commit = [&](const StopRequest& stop) {
    Result<std::unique_ptr<OutputFile>> out = SystemFileSystem().CreateReplacing(dir / "p.hxf");
    EXPECT_TRUE(out.ok());
    for (std::size_t at = 0; at < data.size(); at += 1u << 20) {
      EXPECT_TRUE((*out)->Write(std::span(data).subspan(at, 1u << 20)).ok());
    }
    return (*out)->Commit(stop);
  };
  int looks = 0;
  ASSERT_TRUE(commit([&looks] {
                ++looks;
                return false;
              }).ok());
  EXPECT_GT(looks, 2) << "the stop is looked at only before and after the flush";

  WriteFile(dir / "p.hxf", "old");
  int asked = 0;
  EXPECT_EQ(commit([&asked] { return ++asked == 2; }).code(), Status::Code::kCancelled);
  EXPECT_EQ(ReadFile(dir / "p.hxf"), testing::ToBytes("old"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);  // nothing beside it
}

}  // namespace
}  // namespace hxf
