#include "core/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "tests/support/files.h"

namespace hxf {
namespace {

using testing::Bytes;
using testing::ReadFile;
using testing::TempDir;
using testing::ToBytes;
using testing::WriteFile;

FileSystem& fs() {
  return SystemFileSystem();
}

bool OnlyFiles(const TempDir& dir, std::vector<std::string> expected) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  return names == expected;
}

TEST(FileSystem, FilesAreOpenedWithoutSharing) {
  TempDir dir;
  WriteFile(dir / "p.hxf", "package");
  Result<std::unique_ptr<InputFile>> first = fs().OpenForReading(dir / "p.hxf");
  ASSERT_TRUE(first.ok());
  Result<std::unique_ptr<InputFile>> second = fs().OpenForReading(dir / "p.hxf");
  EXPECT_EQ(second.status().code(), Status::Code::kBusy);
  EXPECT_NE(second.status().message().find("p.hxf"), std::string::npos);
  Result<std::unique_ptr<OutputFile>> replace = fs().CreateReplacing(dir / "p.hxf");
  EXPECT_EQ(replace.status().code(), Status::Code::kBusy);
  first.value().reset();
  EXPECT_TRUE(fs().OpenForReading(dir / "p.hxf").ok());
}

// Packers read a tree's files shared: any number may read one at once, but none while one of our
// jobs writes or replaces it, and nothing replaces it while one reads it.
TEST(FileSystem, SourceFilesAreHeldSharedWithOtherReadersOnly) {
  TempDir dir;
  WriteFile(dir / "f.bin", "data");
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  Result<std::unique_ptr<InputFile>> first = (*root)->OpenFile("f.bin");
  Result<std::unique_ptr<InputFile>> second = (*root)->OpenFile("f.bin");
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_EQ((*root)->CreateFile("f.bin").status().code(), Status::Code::kBusy);
  EXPECT_EQ(fs().CreateReplacing(dir / "f.bin").status().code(), Status::Code::kBusy);
  EXPECT_EQ(fs().OpenForReading(dir / "f.bin").status().code(), Status::Code::kBusy);
  first.value().reset();
  second.value().reset();

  Result<std::unique_ptr<OutputFile>> writing = (*root)->CreateFile("f.bin");
  ASSERT_TRUE(writing.ok());
  EXPECT_EQ((*root)->OpenFile("f.bin").status().code(), Status::Code::kBusy);
}

TEST(FileSystem, MissingFileIsNamedInTheError) {
  TempDir dir;
  Result<std::unique_ptr<InputFile>> missing = fs().OpenForReading(dir / "none.hxf");
  EXPECT_EQ(missing.status().code(), Status::Code::kNotFound);
  EXPECT_NE(missing.status().message().find("none.hxf"), std::string::npos);
}

TEST(FileSystem, ReplacementAppearsOnlyOnCommit) {
  TempDir dir;
  WriteFile(dir / "p.hxf", "old");
  {
    Result<std::unique_ptr<OutputFile>> out = fs().CreateReplacing(dir / "p.hxf");
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE((*out)->Write(ToBytes("new, longer")).ok());
    EXPECT_EQ(ReadFile(dir / "p.hxf"), ToBytes("old"));
    // Abandoned: the old file stays, the temporary one goes.
  }
  EXPECT_EQ(ReadFile(dir / "p.hxf"), ToBytes("old"));
  EXPECT_TRUE(OnlyFiles(dir, {"p.hxf"}));

  Result<std::unique_ptr<OutputFile>> out = fs().CreateReplacing(dir / "p.hxf");
  ASSERT_TRUE(out.ok());
  ASSERT_TRUE((*out)->Write(ToBytes("new")).ok());
  ASSERT_TRUE((*out)->WriteAt(0, ToBytes("N")).ok());
  ASSERT_TRUE((*out)->Commit().ok());
  EXPECT_EQ(ReadFile(dir / "p.hxf"), ToBytes("New"));
  out.value().reset();
  EXPECT_TRUE(OnlyFiles(dir, {"p.hxf"}));
}

// A file that takes a free name is written without one, and linked in on commit.
TEST(FileSystem, NewFileAppearsOnlyOnCommitAndLeavesNothingWhenAbandoned) {
  TempDir dir;
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  {
    Result<std::unique_ptr<OutputFile>> out = (*root)->CreateFile("abandoned");
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE((*out)->Write(ToBytes("never finished")).ok());
  }
  EXPECT_TRUE(OnlyFiles(dir, {}));

  for (bool durable : {false, true}) {
    const std::string name = durable ? "package.hxf" : "file.bin";
    Result<std::unique_ptr<OutputFile>> out =
        durable ? fs().CreateReplacing(dir / name) : (*root)->CreateFile(name);
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE((*out)->Write(ToBytes("whole")).ok());
    ASSERT_TRUE((*out)->WriteAt(0, ToBytes("W")).ok());
    EXPECT_FALSE(testing::Exists(dir / name));
    ASSERT_TRUE((*out)->Commit().ok());
    EXPECT_EQ(ReadFile(dir / name), ToBytes("Whole"));
  }
  EXPECT_TRUE(OnlyFiles(dir, {"file.bin", "package.hxf"}));
}

TEST(FileSystem, NameTakenWhileAFileIsWrittenIsReplacedOnCommit) {
  TempDir dir;
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  Result<std::unique_ptr<OutputFile>> out = (*root)->CreateFile("contested");
  ASSERT_TRUE(out.ok());
  ASSERT_TRUE((*out)->Write(ToBytes("ours")).ok());
  WriteFile(dir / "contested", "someone else's");
  ASSERT_TRUE((*out)->Commit().ok());
  out.value().reset();
  EXPECT_EQ(ReadFile(dir / "contested"), ToBytes("ours"));
  EXPECT_TRUE(OnlyFiles(dir, {"contested"}));
}

TEST(FileSystem, CreateFileRefusesWhatItMustNotReplace) {
  TempDir dir;
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  std::filesystem::create_directory(dir / "a_directory");
  WriteFile(dir / "read_only", "keep");
  ::chmod((dir / "read_only").c_str(), 0444);
  for (const char* name : {"a_directory", "read_only"}) {
    Result<std::unique_ptr<OutputFile>> out = (*root)->CreateFile(name);
    EXPECT_FALSE(out.ok()) << name;
    EXPECT_NE(out.status().message().find(name), std::string::npos);
  }
  EXPECT_EQ(ReadFile(dir / "read_only"), ToBytes("keep"));
}

TEST(FileSystem, LinksInsideTheTreeAreNeverWrittenThrough) {
  TempDir outside;
  TempDir dir;
  WriteFile(outside / "target", "precious");
  ::symlink(outside.path().c_str(), (dir / "dir_link").c_str());
  ::symlink((outside / "target").c_str(), (dir / "file_link").c_str());
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());

  EXPECT_FALSE((*root)->MakeSubdirectory("dir_link").ok());

  Result<std::unique_ptr<OutputFile>> out = (*root)->CreateFile("file_link");
  ASSERT_TRUE(out.ok());
  ASSERT_TRUE((*out)->Write(ToBytes("replaced")).ok());
  ASSERT_TRUE((*out)->Commit().ok());
  EXPECT_EQ(ReadFile(outside / "target"), ToBytes("precious"));
  EXPECT_EQ(ReadFile(dir / "file_link"), ToBytes("replaced"));
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "file_link"));
}

TEST(FileSystem, ListingReportsKindsAfterFollowingLinks) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  std::filesystem::create_directory(dir / "sub");
  ::symlink("sub", (dir / "sub_link").c_str());
  ::symlink("nowhere", (dir / "dangling").c_str());
  ::mkfifo((dir / "pipe").c_str(), 0600);
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  Result<std::vector<DirectoryEntry>> entries = (*root)->List();
  ASSERT_TRUE(entries.ok());
  std::map<std::string, EntryKind> kinds;
  for (const DirectoryEntry& entry : *entries) kinds[entry.name] = entry.kind;
  EXPECT_EQ(kinds, (std::map<std::string, EntryKind>{{"file", EntryKind::kFile},
                                                     {"sub", EntryKind::kDirectory},
                                                     {"sub_link", EntryKind::kDirectory},
                                                     {"dangling", EntryKind::kOther},
                                                     {"pipe", EntryKind::kOther}}));
  // A pipe in a file's place is refused at once rather than waited on.
  EXPECT_FALSE((*root)->OpenFile("pipe").ok());
  EXPECT_EQ((*root)->id(), *fs().Identify(dir.path()));
}

// The packer trusts the listing's inode numbers to rule files out of being the package itself.
TEST(FileSystem, ListingGivesTheInodeOfFilesButNotOfLinks) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  std::filesystem::create_hard_link(dir / "file", dir / "second_name");
  ::symlink("file", (dir / "file_link").c_str());
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  Result<std::vector<DirectoryEntry>> entries = (*root)->List();
  ASSERT_TRUE(entries.ok());
  std::map<std::string, std::uint64_t> inodes;
  for (const DirectoryEntry& entry : *entries) inodes[entry.name] = entry.file_inode;
  const std::uint64_t inode = fs().Identify(dir / "file")->inode;
  // A link's own number is not its target's: it gives none rather than a wrong one.
  EXPECT_EQ(inodes, (std::map<std::string, std::uint64_t>{
                        {"file", inode}, {"second_name", inode}, {"file_link", 0}}));
}

}  // namespace
}  // namespace hxf
