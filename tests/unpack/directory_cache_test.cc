#include "unpack/directory_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/files.h"
#include "tests/support/links.h"

namespace hxf {
namespace {

using testing::TempDir;

class DirectoryCacheTest : public ::testing::Test {
 protected:
  DirectoryCacheTest()
      : root_(std::move(SystemFileSystem().OpenDirectory(dir_.path(), false).value())),
        cache_(*root_) {}

  // Writes `name` into the directory the cache gives for `path`.
  void WriteInto(const std::vector<std::string>& path, const std::string& name) {
    Result<Directory*> directory = cache_.Open(path);
    ASSERT_TRUE(directory.ok()) << directory.status().message();
    Result<std::unique_ptr<OutputFile>> file = (*directory)->CreateFile(name);
    ASSERT_TRUE(file.ok()) << file.status().message();
    ASSERT_TRUE((*file)->Write(std::as_bytes(std::span(name.data(), name.size()))).ok());
    ASSERT_TRUE((*file)->Commit({}).ok());
  }

  TempDir dir_;
  std::unique_ptr<Directory> root_;
  DirectoryCache cache_;
};

TEST_F(DirectoryCacheTest, FilesLandWhereverTheWalkGoesDownAcrossOrBackUp) {
  WriteInto({"A", "B"}, "1");
  WriteInto({"A", "B"}, "2");
  WriteInto({"A", "C"}, "3");
  WriteInto({"A", "B", "D"}, "4");
  WriteInto({"A"}, "5");
  WriteInto({}, "6");
  WriteInto({"A", "B"}, "7");
  WriteInto({"E", "B"}, "8");
  EXPECT_EQ(testing::ListFilesRecursively(dir_.path()),
            (std::vector<std::string>{"6", "A/5", "A/B/1", "A/B/2", "A/B/7", "A/B/D/4", "A/C/3",
                                      "E/B/8"}));
}

TEST_F(DirectoryCacheTest, ALinkSwappedInForAnOpenDirectoryIsNeverFollowed) {
  TempDir outside;
  WriteInto({"A", "B"}, "before");
  // Someone moves A away and leaves a link to the outside in its place.
  std::error_code moved;
  std::filesystem::rename(dir_ / "A", dir_ / "moved", moved);
  if (moved) GTEST_SKIP() << "an open directory cannot be moved here (Windows holds it in place)";
  if (!testing::MakeLink(dir_ / "A", outside.path())) GTEST_SKIP() << "no links here";

  WriteInto({"A", "B"}, "cached");   // the directory opened before, wherever it is now
  WriteInto({"A", "C"}, "sibling");  // made in that same directory, not through the link
  EXPECT_TRUE(testing::ListFilesRecursively(outside.path()).empty());
  EXPECT_TRUE(testing::Exists(dir_ / "moved/B/cached"));
  EXPECT_TRUE(testing::Exists(dir_ / "moved/C/sibling"));

  // Once the walk has left A, the link is met afresh, and refused.
  WriteInto({"X"}, "elsewhere");
  EXPECT_FALSE(cache_.Open(std::vector<std::string>{"A", "B"}).ok());
  EXPECT_TRUE(testing::ListFilesRecursively(outside.path()).empty());
}

TEST_F(DirectoryCacheTest, AFailedComponentIsTriedAgainNotRemembered) {
  testing::WriteFile(dir_ / "A/file", "a file where a directory should be");
  WriteInto({"A"}, "ok");
  EXPECT_FALSE(cache_.Open(std::vector<std::string>{"A", "file", "B"}).ok());
  EXPECT_FALSE(cache_.Open(std::vector<std::string>{"A", "file"}).ok());
  std::filesystem::remove(dir_ / "A/file");
  WriteInto({"A", "file"}, "now a directory");
  EXPECT_TRUE(testing::Exists(dir_ / "A/file/now a directory"));
}

}  // namespace
}  // namespace hxf
