// What the program's own help names: its commands and, for the program and each command, the
// entries of a section with their descriptions. The files made from the help are checked
// against this.
#pragma once

#include <string>
#include <vector>

namespace hxf::testing {

struct HelpEntry {
  std::vector<std::string> names;  // "-C,--directory TEXT" gives "-C" and "--directory"
  std::string text;
};

// `hxf [COMMAND] --help`, with `command` empty for the program's own help.
std::string Help(const std::string& command);

// The entries under the heading "`heading`:" of `help` (Options, Positionals, Subcommands).
std::vector<HelpEntry> HelpSection(const std::string& help, const std::string& heading);

// The command names the program's help lists.
std::vector<std::string> HelpCommands();

}  // namespace hxf::testing
