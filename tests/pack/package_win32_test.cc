// The pack job where Windows differs: what stands in a package's place is a directory or a device,
// never a pipe, and the read-only attribute keeps a package from being replaced.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "core/wide_string_win32.h"
#include "tests/pack/package_test.h"

namespace hxf {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

TEST_F(PackageTest, ATargetThatIsNotARegularFileIsRefusedAndLeftAsItWas) {
  testing::WriteFile(in("a.txt"), "abc");
  std::filesystem::create_directory(std::filesystem::path(dir_ / "dir.hxf"));
  for (const std::string& target : {dir_ / "dir.hxf", std::string("NUL")}) {
    EXPECT_EQ(Repack(SystemFileSystem(), {}, target), JobResult::kNotOpened) << target;
    EXPECT_THAT(Problems(), ElementsAre(StartsWith(Text(text::kCannotCreatePackage, target))));
  }
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(dir_ / "dir.hxf")));
  EXPECT_THAT(testing::NamesIn(dir_.path()), ElementsAre("dir.hxf", "in_hxf"));
}

TEST_F(PackageTest, AReadOnlyPackageIsNotReplaced) {
  testing::WriteFile(in("a.txt"), "abc");
  const testing::Bytes old = WriteOldPackage();
  const std::wstring wide = WideFromUtf8Lossy(package_path());
  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Repack(), JobResult::kNotOpened);
  EXPECT_THAT(Problems(),
              ElementsAre(StartsWith(Text(text::kCannotCreatePackage, package_path()))));
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  ExpectOldPackageKept(old);
}

}  // namespace
}  // namespace hxf
