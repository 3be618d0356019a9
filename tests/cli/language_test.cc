// Each of the system's texts has its English form on the command line.
#include "cli/language.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace hxf::cli {
namespace {

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Every text the table of texts holds, read from its source, so that a text added there without
// an English form fails here.
TEST(Language, EveryTextHasAnEnglishForm) {
  std::ifstream file(HXF_SOURCE_DIR "/core/log_texts.h");
  std::stringstream source;
  source << file.rdbuf();
  const std::string text = source.str();
  const std::regex definition(R"(std::string_view (k\w+) =\s*"([^"]*)\")");
  int texts = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), definition), end; it != end; ++it) {
    ++texts;
    const std::string name = (*it)[1];
    const std::string chinese = (*it)[2];
    // kPack only ends the "Adding" lines.
    const std::string line = name == "kPack" ? "Adding7" + chinese : chinese + "7";
    const std::string english = InEnglish(line);
    EXPECT_TRUE(IsAscii(english)) << name << ": " << english;
    EXPECT_TRUE(english.ends_with("7")) << name << ": " << english;
  }
  EXPECT_GT(texts, 40);  // the table was found and read
}

TEST(Language, LinesKeepWhatFollowsTheText) {
  struct Case {
    std::string line;
    std::string english;
  };
  const Case cases[] = {
      {"解包完成", "unpacking complete"},
      {"文件名长度不对", "name length wrong"},
      {"文件名长度不对,位置87", "name length wrong, at offset 87"},  // the longer text wins
      {"Adding中文.bin打包", "Adding 中文.bin"},
      {"无法读取目录in_hxf: No such file or directory",
       "cannot read the folder in_hxf: No such file or directory"},
      {"读取失败: Input/output error", "reading failed: Input/output error"},
      {"文件打开的失败", "opening the file failed"},
      {"文件打开的失败fw.hxf: busy", "opening the file failed: fw.hxf: busy"},
      {"写入失败: disk full", "writing failed: disk full"},
      {"hxf: not one of ours", "hxf: not one of ours"},
  };
  for (const Case& c : cases) EXPECT_EQ(InEnglish(c.line), c.english) << c.line;
}

TEST(Language, TheLocaleAsGettextReadsIt) {
  struct Case {
    const char* lc_all;
    const char* lc_messages;
    const char* lang;
    Language language;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, Language::kChinese},
      {nullptr, nullptr, "zh_CN.UTF-8", Language::kChinese},
      {nullptr, nullptr, "zh", Language::kChinese},
      {nullptr, nullptr, "en_US.UTF-8", Language::kEnglish},
      {nullptr, nullptr, "fr_FR", Language::kEnglish},
      {nullptr, nullptr, "C", Language::kChinese},
      {nullptr, nullptr, "C.UTF-8", Language::kChinese},
      {nullptr, nullptr, "POSIX", Language::kChinese},
      {"en_US", "zh_CN", "zh_CN", Language::kEnglish},
      {"", "en_US", "zh_CN", Language::kEnglish},
      {"", "", "en_US", Language::kEnglish},
      {"zh_TW", "en_US", nullptr, Language::kChinese},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LocaleLanguage(c.lc_all, c.lc_messages, c.lang), c.language)
        << (c.lc_all ? c.lc_all : "-") << " " << (c.lc_messages ? c.lc_messages : "-") << " "
        << (c.lang ? c.lang : "-");
  }
}

}  // namespace
}  // namespace hxf::cli
