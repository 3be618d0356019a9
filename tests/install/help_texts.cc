#include "tests/install/help_texts.h"

#include <sstream>

#include "tests/support/run_command.h"

namespace hxf::testing {

std::string Help(const std::string& command) {
  std::vector<std::string> arguments;
  if (!command.empty()) arguments.push_back(command);
  arguments.push_back("--help");
  return RunCommand(HXF_BINARY, arguments).out;
}

std::vector<HelpEntry> HelpSection(const std::string& help, const std::string& heading) {
  std::vector<HelpEntry> entries;
  std::istringstream lines(help);
  std::string line;
  while (std::getline(lines, line) && line != heading + ":") {
  }
  // "  -C,--directory TEXT:DIR     The folder to pack ...": the names, then two or more spaces.
  while (std::getline(lines, line) && line.starts_with("  ")) {
    const std::size_t gap = line.find("  ", 2);
    const std::string spec = line.substr(2, gap - 2);
    HelpEntry entry;
    std::istringstream names(spec.substr(0, spec.find(' ')));
    for (std::string name; std::getline(names, name, ',');) entry.names.push_back(name);
    if (gap != std::string::npos) entry.text = line.substr(line.find_first_not_of(' ', gap));
    entries.push_back(entry);
  }
  return entries;
}

std::vector<std::string> HelpCommands() {
  std::vector<std::string> commands;
  for (const HelpEntry& entry : HelpSection(Help(""), "Subcommands")) {
    commands.push_back(entry.names.front());
  }
  return commands;
}

}  // namespace hxf::testing
