// The desktop entry, the icons and the package file type, read by the system's own tools.

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/support/run_command.h"

namespace hxf::testing {
namespace {

constexpr const char* kPackageType = "application/x-hxf";

bool HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text + "\n").find("\n" + line + "\n") != std::string::npos;
}

TEST(DesktopEntryTest, IsValidAndOpensPackagesInTheWindow) {
  const CommandResult result = RunCommand(DESKTOP_FILE_VALIDATE, {HXF_DESKTOP_ENTRY});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out + result.err, "");  // not even a hint
  const std::string entry = ToString(ReadFile(HXF_DESKTOP_ENTRY));
  EXPECT_TRUE(HasLine(entry, "Exec=hxf-gui %f"));
  EXPECT_TRUE(HasLine(entry, "Icon=hxf"));
  EXPECT_TRUE(HasLine(entry, std::string("MimeType=") + kPackageType + ";"));
  const std::string types = ToString(ReadFile(HXF_MIME_TYPES));
  EXPECT_NE(types.find(std::string("type=\"") + kPackageType + "\""), std::string::npos);
}

// The type the shared MIME database in `data` (with only our file type added) gives `path`.
std::string ContentType(const std::string& data, const std::string& path) {
  const CommandResult result =
      RunCommand(ENV_PROGRAM, {"XDG_DATA_HOME=" + data, "XDG_DATA_DIRS=" + data + ":/usr/share",
                               GIO, "info", "--attributes=standard::content-type", path});
  const std::string key = "standard::content-type: ";
  const std::size_t at = result.out.find(key);
  if (at == std::string::npos) return "(none: " + result.err + ")";
  const std::size_t start = at + key.size();
  return result.out.substr(start, result.out.find('\n', start) - start);
}

TEST(PackageTypeTest, APackageIsKnownByItsNameAndByItsHeader) {
  TempDir dir;
  WriteFile(dir / "data/mime/packages/hxf.xml", ReadFile(HXF_MIME_TYPES));
  const CommandResult update = RunCommand(UPDATE_MIME_DATABASE, {dir / "data/mime"});
  ASSERT_EQ(update.exit_status, 0) << update.err;

  const Bytes package = BuildPackage({{"a.bin", "abc"}});
  Bytes other_header = package;
  other_header[19] = std::byte{'8'};  // "WADF0100200801291108": not this format's header
  const struct {
    std::string name;
    Bytes content;
    bool is_package;
  } cases[] = {
      {"fw.hxf", package, true},
      {"firmware", package, true},  // no name to go by: the header says it
      {"other", other_header, false},
      {"notes", ToBytes("just some text\n"), false},
  };
  for (const auto& c : cases) {
    WriteFile(dir / c.name, c.content);
    EXPECT_EQ(ContentType(dir / "data", dir / c.name) == kPackageType, c.is_package)
        << c.name << ": " << ContentType(dir / "data", dir / c.name);
  }
}

TEST(IconTest, IsRenderedInEveryBitmapSize) {
  for (std::uint32_t size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string path = HXF_ICONS "/" + std::to_string(size) + "/hxf.png";
    ASSERT_TRUE(Exists(path)) << path;
    const Bytes png = ReadFile(path);
    ASSERT_GE(png.size(), 24u) << path;
    EXPECT_EQ(ToString(Bytes(png.begin() + 1, png.begin() + 4)), "PNG") << path;
    // The header chunk's width and height, big-endian, at offsets 16 and 20.
    auto at = [&](std::size_t offset) {
      std::uint32_t value = 0;
      for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | std::to_integer<std::uint32_t>(png[offset + i]);
      return value;
    };
    EXPECT_EQ(at(16), size) << path;
    EXPECT_EQ(at(20), size) << path;
  }
}

}  // namespace
}  // namespace hxf::testing
