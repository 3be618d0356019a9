// The language of the command line's log and error lines. The jobs speak the system's own texts
// (core/log_texts.h), which the window shows as they are; the command line shows them in English
// to a user whose locale is not Chinese.
#pragma once

#include <string>
#include <string_view>

namespace hxf::cli {

enum class Language { kChinese, kEnglish };

// The language of the locale as gettext programs find it: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty. A locale whose name starts with "zh" is Chinese, any other
// English. None set, "C" or "POSIX" give the system's own texts, Chinese, as gettext shows a
// program's own texts untranslated in the C locale; and the system has always spoken Chinese
// there (on Windows, the tool's home, these variables are normally not set at all).
Language LocaleLanguage(const char* lc_all, const char* lc_messages, const char* lang);
// The same, read from the environment.
Language EnvironmentLanguage();

// A log line in English: the system's text it starts with replaced by its English form, the name
// or number joined to it kept. A line that starts with no such text is returned as it is.
std::string InEnglish(std::string_view line);
// A line in `language`: as it is in Chinese, InEnglish in English.
std::string InLanguage(std::string_view line, Language language);

}  // namespace hxf::cli
