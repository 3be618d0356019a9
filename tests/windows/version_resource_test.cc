// The version information Windows shows for hxf.exe (Explorer's file properties) is the
// project's version, read as Windows reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/version.h"

namespace hxf::testing {
namespace {

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());  // ASCII only here
}

class VersionResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring path = Wide(HXF_BINARY);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(size, 0u) << "no version information in " << HXF_BINARY;
    data_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data_.data()));
  }

  // A string of the U.S. English, Unicode block; empty when missing.
  std::wstring Value(const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(data_.data(), query.c_str(), &value, &length) || length == 0) return {};
    return std::wstring(static_cast<const wchar_t*>(value));
  }

  std::vector<unsigned char> data_;
};

TEST_F(VersionResourceTest, NumbersAreTheProjectsVersion) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", &value, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, DWORD{HXF_VERSION_MAJOR << 16 | HXF_VERSION_MINOR});
  EXPECT_EQ(fixed->dwFileVersionLS, DWORD{HXF_VERSION_PATCH << 16});
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, DWORD{VFT_APP});
}

TEST_F(VersionResourceTest, TextsNameTheProgramAndItsVersion) {
  const struct {
    const wchar_t* name;
    std::wstring value;
  } cases[] = {
      {L"FileVersion", Wide(HXF_VERSION)},
      {L"ProductVersion", Wide(HXF_VERSION)},
      {L"ProductName", L"hxf"},
      {L"OriginalFilename", L"hxf.exe"},
      {L"InternalName", L"hxf"},
      {L"FileDescription", L"hxf: unpacks and repacks HXF firmware packages"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
    EXPECT_EQ(Value(c.name), c.value);
  }
}

}  // namespace
}  // namespace hxf::testing
