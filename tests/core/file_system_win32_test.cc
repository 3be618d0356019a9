// The file-system layer's behaviour on Windows: long paths, names beyond the code page, the
// system's own path forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/file_system.h"
#include "tests/support/files.h"
#include "tests/support/links.h"

namespace hxf {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::ToBytes;

FileSystem& fs() {
  return SystemFileSystem();
}

// A junction is Windows' link to a directory: unpacking never writes through one already in the
// output tree.
TEST(Win32FileSystem, JunctionsInsideTheTreeAreNeverWrittenThrough) {
  TempDir outside;
  TempDir dir;
  testing::WriteFile(outside / "target", "precious");
  if (!testing::MakeLink(dir / "dir_link", outside.path())) {
    GTEST_SKIP() << "this system makes no links here (Wine 8 makes none)";
  }
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  EXPECT_FALSE((*root)->MakeSubdirectory("dir_link").ok());

  Result<std::unique_ptr<OutputFile>> out = (*root)->CreateFile("dir_link");
  ASSERT_TRUE(out.ok()) << out.status().message();
  ASSERT_TRUE((*out)->Write(ToBytes("replaced")).ok());
  ASSERT_TRUE((*out)->Commit({}).ok());
  EXPECT_EQ(ReadFile(outside / "target"), ToBytes("precious"));
  EXPECT_EQ(ReadFile(dir / "dir_link"), ToBytes("replaced"));
}

// A firmware tree can be deeper than the old 260-character limit of Windows paths.
TEST(Win32FileSystem, PathsBeyondTwoHundredSixtyCharactersWork) {
  TempDir dir;
  std::string deep = dir.path();
  for (int level = 0; level < 20; ++level) deep += "\\directory-level-" + std::to_string(level);
  ASSERT_GT(deep.size(), 300u);
  Result<std::unique_ptr<Directory>> made = fs().OpenDirectory(deep, true);
  ASSERT_TRUE(made.ok()) << made.status().message();
  Result<std::unique_ptr<OutputFile>> out = (*made)->CreateFile("file-at-the-bottom.bin");
  ASSERT_TRUE(out.ok()) << out.status().message();
  ASSERT_TRUE((*out)->Write(ToBytes("deep")).ok());
  ASSERT_TRUE((*out)->Commit({}).ok());
  out.value().reset();

  Result<std::unique_ptr<InputFile>> in = fs().OpenForReading(deep + "\\file-at-the-bottom.bin");
  ASSERT_TRUE(in.ok()) << in.status().message();
  std::byte buffer[16];
  Result<std::size_t> got = (*in)->Read(buffer);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), *got), "deep");
}

// Names outside the active code page (1252 under Wine, 936 on a Chinese system) are made and
// listed back as the same UTF-8.
TEST(Win32FileSystem, NamesBeyondTheCodePageRoundTrip) {
  TempDir dir;
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir.path(), false);
  ASSERT_TRUE(root.ok());
  const std::string names[] = {"\xE5\xAD\x97\xE5\xBA\x93", "caf\xC3\xA9 \xCE\xA9",
                               "\xF0\x9F\x98\x80.bin"};  // 字库, café Ω, an emoji
  for (const std::string& name : names) {
    Result<std::unique_ptr<Directory>> sub = (*root)->MakeSubdirectory(name);
    ASSERT_TRUE(sub.ok()) << sub.status().message();
    Result<std::unique_ptr<OutputFile>> out = (*sub)->CreateFile(name);
    ASSERT_TRUE(out.ok()) << out.status().message();
    ASSERT_TRUE((*out)->Write(ToBytes(name)).ok());
    ASSERT_TRUE((*out)->Commit({}).ok());
    EXPECT_EQ(ReadFile(dir / name + "/" + name), ToBytes(name));
  }
  Result<Listing> entries = (*root)->List();
  ASSERT_TRUE(entries.ok());
  std::vector<std::string> listed;
  for (const DirectoryEntry entry : *entries) listed.emplace_back(entry.name);
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> expected(std::begin(names), std::end(names));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
}

TEST(Win32FileSystem, DirectoryPartAndJoinKnowDrivesAndBothSeparators) {
  const struct {
    const char* path;
    const char* directory;
  } cases[] = {
      {"C:\\fw\\a.hxf", "C:\\fw"}, {"C:\\a.hxf", "C:\\"},
      {"C:a.hxf", "C:"},           {"fw/a.hxf", "fw"},
      {"\\a.hxf", "\\"},           {"a.hxf", ""},
      {"C:/fw/a.hxf", "C:/fw"},    {"\\\\server\\share\\a.hxf", "\\\\server\\share"},
  };
  for (const auto& c : cases) EXPECT_EQ(DirectoryPart(c.path), c.directory) << c.path;
  EXPECT_EQ(JoinPath("C:\\fw", "out_hxf"), "C:\\fw\\out_hxf");
  EXPECT_EQ(JoinPath("C:\\", "out_hxf"), "C:\\out_hxf");
  EXPECT_EQ(JoinPath("C:", "out_hxf"), "C:out_hxf");
  EXPECT_EQ(JoinPath("fw/", "out_hxf"), "fw/out_hxf");
  EXPECT_EQ(JoinPath("C:/fw", "out_hxf"), "C:/fw/out_hxf");
  EXPECT_EQ(JoinPath("fw", "out_hxf"), "fw\\out_hxf");
  EXPECT_EQ(JoinPath("", "out_hxf"), "out_hxf");
}

}  // namespace
}  // namespace hxf
