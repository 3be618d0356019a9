// The man page and the bash completion are made from the program's help when it is built: they
// name every command and option the help names, and the completion offers the right words.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "core/version.h"
#include "tests/install/help_texts.h"
#include "tests/support/files.h"
#include "tests/support/run_command.h"

namespace hxf::testing {
namespace {

using Words = std::vector<std::string>;

// What bash offers for the command line "hxf WORDS...", the last word being the one completed,
// in `directory`; sorted.
Words Complete(const Words& words, const std::string& directory) {
  Words arguments = {"-c",
                     "source \"$0\"; COMP_WORDS=(hxf \"$@\"); COMP_CWORD=$#; _hxf; "
                     "printf '%s\\n' \"${COMPREPLY[@]}\"",
                     HXF_COMPLETION};
  arguments.insert(arguments.end(), words.begin(), words.end());
  const CommandResult result = RunCommand(BASH_PROGRAM, arguments, directory);
  EXPECT_EQ(result.exit_status, 0) << result.err;
  Words offered;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) offered.push_back(line);
  }
  std::sort(offered.begin(), offered.end());
  return offered;
}

// "" (the program itself) and then `commands`.
Words WithProgram(const Words& commands) {
  Words all = {""};
  all.insert(all.end(), commands.begin(), commands.end());
  return all;
}

bool Offers(const Words& offered, const std::string& word) {
  return std::find(offered.begin(), offered.end(), word) != offered.end();
}

TEST(CompletionTest, OffersTheWordsThatFitWhereTheCursorIs) {
  TempDir dir;
  WriteFile(dir / "fw.hxf", "");
  WriteFile(dir / "notes.txt", "");
  WriteFile(dir / "work/keep", "");
  const struct {
    Words words;
    Words offered;
  } cases[] = {
      {{""}, {"add", "cat", "diff", "list", "pack", "remove", "unpack", "verify"}},
      {{"--n"}, {"--names"}},
      {{"--lang", ""}, {"en", "zh"}},
      {{"diff", "--l"}, {"--lang"}},  // each command takes the common options
      {{"--names", ""}, {"gbk", "raw"}},
      {{"unpack", "--names", "r"}, {"raw"}},
      {{"pack", "--d"}, {"--dereference", "--directory"}},
      {{"list", "--d"}, {}},
      {{"-q", "unpack", "-v", "f"}, {"fw.hxf"}},
      {{"pack", "-C", ""}, {"work"}},                           // a folder that exists
      {{"unpack", "-C", ""}, {"fw.hxf", "notes.txt", "work"}},  // any path: it may be made
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Complete(c.words, dir.path()), c.offered) << ::testing::PrintToString(c.words);
  }
}

TEST(CompletionTest, OffersEveryCommandAndOptionTheHelpNames) {
  TempDir dir;
  const Words commands = HelpCommands();
  ASSERT_FALSE(commands.empty());
  const Words offered_first = Complete({""}, dir.path());
  for (const std::string& command : commands)
    EXPECT_TRUE(Offers(offered_first, command)) << command;

  const std::vector<HelpEntry> common = HelpSection(Help(""), "Options");
  ASSERT_FALSE(common.empty());
  for (const std::string& command : WithProgram(commands)) {
    std::vector<HelpEntry> options = HelpSection(Help(command), "Options");
    if (!command.empty()) options.insert(options.end(), common.begin(), common.end());
    const Words offered = Complete(command.empty() ? Words{"-"} : Words{command, "-"}, dir.path());
    for (const HelpEntry& option : options) {
      for (const std::string& name : option.names) {
        EXPECT_TRUE(Offers(offered, name)) << "hxf " << command << " " << name;
      }
    }
  }
}

// The man page's text with roff's font changes and escapes taken out.
std::string ManPageText() {
  std::string text = ToString(ReadFile(HXF_MAN_PAGE));
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      plain += text[i];
    } else if (text[i + 1] == 'f') {
      i += 2;  // \fB, \fI, \fR
    } else if (text[i + 1] == '-' || text[i + 1] == '&') {
      if (text[++i] == '-') plain += '-';
    } else if (text[i + 1] == 'e') {
      plain += '\\';
      ++i;
    } else if (text[i + 1] == '/' || text[i + 1] == ',') {
      ++i;  // italic corrections
    } else {
      plain += text[i];
    }
  }
  return plain;
}

TEST(ManPageTest, NamesTheVersionAndDescribesEveryCommandAndOption) {
  const std::string page = ManPageText();
  EXPECT_NE(page.find(".TH HXF \"1\""), std::string::npos);
  EXPECT_NE(page.find("\"hxf " HXF_VERSION "\""), std::string::npos);
  const Words commands = HelpCommands();
  ASSERT_FALSE(commands.empty());
  for (const std::string& command : WithProgram(commands)) {
    const std::string help = Help(command);
    if (!command.empty()) {
      EXPECT_NE(page.find(".SS \"hxf " + command + " "), std::string::npos) << command;
    }
    for (const char* heading : {"Options", "Positionals", "Subcommands"}) {
      for (const HelpEntry& entry : HelpSection(help, heading)) {
        for (const std::string& name : entry.names) {
          EXPECT_NE(page.find(name), std::string::npos) << "hxf " << command << " " << name;
        }
        EXPECT_NE(page.find(entry.text), std::string::npos)
            << "hxf " << command << ": " << entry.text;
      }
    }
  }
}

}  // namespace
}  // namespace hxf::testing
