#include "core/name_encoding.h"

#include <gtest/gtest.h>

#include "core/entry_path.h"

namespace hxf {
namespace {

const std::string kGbkChinese = "\xD6\xD0\xCE\xC4.bin";  // 中文.bin
const std::string kGbkTrail5C = "\x81\x5C.bin";          // 乗.bin: its second byte is 0x5C

TEST(NameEncoding, DecodesGbkToUtf8) {
  EXPECT_EQ(DecodeName(kGbkChinese, NameEncoding::kGbk), "中文.bin");
  EXPECT_EQ(DecodeName("plain\\ascii.txt", NameEncoding::kGbk), "plain\\ascii.txt");
  EXPECT_EQ(DecodeName(kGbkChinese, NameEncoding::kRaw), kGbkChinese);
}

TEST(NameEncoding, TrailByte5CIsNotASeparatorOnceDecoded) {
  Result<std::vector<std::string>> decoded =
      SplitEntryName(DecodeName(kGbkTrail5C, NameEncoding::kGbk));
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(*decoded, std::vector<std::string>{"乗.bin"});
  // Raw names split at every 0x5C byte, as the bytes alone cannot tell.
  Result<std::vector<std::string>> raw =
      SplitEntryName(DecodeName(kGbkTrail5C, NameEncoding::kRaw));
  ASSERT_TRUE(raw.ok());
  EXPECT_EQ(raw->size(), 2u);
}

TEST(NameEncoding, UndecodableNamesKeepTheirBytes) {
  for (const std::string name : {"half\xD6", "\xFF\xFF.bin"}) {
    EXPECT_EQ(DecodeName(name, NameEncoding::kGbk), name);
  }
}

TEST(NameEncoding, EncodesBackToTheSameBytes) {
  for (const std::string& package_name : {kGbkChinese, kGbkTrail5C, std::string("a.txt")}) {
    Result<std::string> encoded =
        EncodeName(DecodeName(package_name, NameEncoding::kGbk), NameEncoding::kGbk);
    ASSERT_TRUE(encoded.ok());
    EXPECT_EQ(*encoded, package_name);
  }
}

TEST(NameEncoding, HostNamesWithoutGbkFormAreRefused) {
  Result<std::string> emoji = EncodeName("\xF0\x9F\x98\x80.bin", NameEncoding::kGbk);  // 😀
  EXPECT_FALSE(emoji.ok());
  EXPECT_EQ(emoji.status().code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(*EncodeName("\xF0\x9F\x98\x80", NameEncoding::kRaw), "\xF0\x9F\x98\x80");
  // Bytes that are not UTF-8 came from no encoding we know: kept as they are.
  EXPECT_EQ(*EncodeName("\xD6\xD0", NameEncoding::kGbk), "\xD6\xD0");
}

TEST(DisplayName, EscapesWhatATerminalWouldInterpret) {
  EXPECT_EQ(DisplayName("中文\\a.bin"), "中文\\a.bin");
  EXPECT_EQ(DisplayName("a\x1b[2J"), "a\\x1B[2J");
  EXPECT_EQ(DisplayName("\xD6\xD0"), "\\xD6\\xD0");
  EXPECT_EQ(DisplayName("\xC2\x9B"), "\\xC2\\x9B");  // the C1 escape introducer
  EXPECT_EQ(DisplayName(std::string("a\0b", 3)), "a\\x00b");
}

}  // namespace
}  // namespace hxf
