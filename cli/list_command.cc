#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/listed_name.h"
#include "verify/package_scan.h"
#include "cli/terminal.h"
#include "core/name_encoding.h"

namespace hxf::cli {
namespace {

struct ListOptions {
  std::string package;
  bool long_format = false;
  bool json = false;
};

// Why the file is no package at all, or empty when it has a package's header.
std::string NotAPackage(const RecordReader& reader) {
  if (!reader.HeaderComplete()) return "not a package: the file is shorter than a header";
  if (!reader.MagicTextMatches()) return "not a package: the header text is missing";
  return {};
}

void PrintLine(const EntryRecord& entry, const ListOptions& list, NameEncoding encoding) {
  const std::string name = ListedName(DecodeName(entry.name, encoding));
  char fields[64];
  if (list.long_format) {
    std::snprintf(fields, sizeof fields, "%10llu  0x%02X  %10u  ",
                  static_cast<unsigned long long>(entry.offset),
                  std::to_integer<unsigned>(entry.attribute), entry.data_length);
  } else {
    std::snprintf(fields, sizeof fields, "%10u  ", entry.data_length);
  }
  WriteOutput(fields + name + "\n");
}

int List(const ListOptions& list, NameEncoding encoding) {
  nlohmann::json entries = nlohmann::json::array();
  Result<PackageScan> scan = ScanPackage(list.package, [&](const RecordReader& reader) {
    if (!NotAPackage(reader).empty()) return;  // what follows no header is no list of files
    if (list.json) {
      entries.push_back(EntryJson(reader.entry(), encoding));
    } else {
      PrintLine(reader.entry(), list, encoding);
    }
  });
  if (!scan.ok()) {
    std::fflush(stdout);
    PrintError(scan.status().message());
    return kExitFailure;
  }
  const RecordReader& reader = *scan->reader;
  const std::string not_a_package = NotAPackage(reader);
  if (list.json) {
    PrintJson({{"package", list.package},
               {"not_a_package",
                not_a_package.empty() ? nlohmann::json() : nlohmann::json(not_a_package)},
               {"entries", entries},
               {"corruption", CorruptionJson(reader)}});
  }
  std::fflush(stdout);
  if (!not_a_package.empty()) {
    PrintError(list.package + ": " + not_a_package);
    return kExitProblems;
  }
  if (reader.corruption()) {
    PrintError(list.package + ": " + Describe(*reader.corruption()));
    return kExitProblems;
  }
  return kExitOk;
}

}  // namespace

void AddListCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand("list", "Show the files a package holds, in its order");
  auto list = std::make_shared<ListOptions>();
  command->add_option("PACKAGE", list->package, "The package to list")->required();
  command->add_flag("-l,--long", list->long_format,
                    "Show each record's offset, attribute byte, data length and name");
  command->add_flag("--json", list->json,
                    "Print one JSON document: each entry's name, stored name bytes in hex, "
                    "offset, attribute and size");
  command->callback([&options, &exit_status, list] { exit_status = List(*list, options.names); });
}

}  // namespace hxf::cli
