#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/terminal.h"
#include "core/name_encoding.h"
#include "core/name_pattern.h"
#include "core/record_reader.h"

namespace hxf::cli {
namespace {

struct CatRun {
  bool found = false;
  // Why the output is not all the picked data: a read, or data the file no longer has.
  std::string failure;
  // Standard output took no more; the program says why as it ends.
  bool output_failed = false;
};

// Copies the data of every entry that `pattern` picks to standard output, in package order.
CatRun CopyPicked(RecordReader& reader, const NamePattern& pattern, NameEncoding names) {
  CatRun run;
  while (true) {
    Result<RecordReader::Step> step = reader.Next();
    if (!step.ok()) return {run.found, step.status().message()};
    if (*step == RecordReader::Step::kEnd || *step == RecordReader::Step::kCorrupt) return run;
    if (*step != RecordReader::Step::kEntry) continue;
    if (!pattern.Matches(DecodeName(reader.entry().name, names))) {
      if (Status skipped = reader.SkipData(); !skipped.ok()) {
        return {run.found,
                reader.corruption() ? Describe(*reader.corruption()) : skipped.message()};
      }
      continue;
    }
    run.found = true;
    while (true) {
      Result<std::span<const std::byte>> chunk = reader.ReadData();
      if (!chunk.ok()) {
        return {true,
                reader.corruption() ? Describe(*reader.corruption()) : chunk.status().message()};
      }
      if (chunk->empty()) break;
      // The entry's bytes exactly: the terminal writes them as they are on every host.
      if (!WriteOutputBytes(*chunk)) return {true, "", true};
    }
  }
}

}  // namespace

void AddCatCommand(CLI::App& app, const CommonOptions& options, int& exit_status) {
  CLI::App* command = app.add_subcommand(
      "cat", "Write the data of one entry (or of every entry a pattern picks) to standard output");
  auto package = std::make_shared<std::string>();
  auto name = std::make_shared<std::string>();
  command->add_option("PACKAGE", *package, "The package to read")->required();
  command->add_option("NAME", *name, "The entry's name or a pattern, as unpack takes them")
      ->required();
  command->callback([&options, &exit_status, package, name] {
    Result<std::unique_ptr<InputFile>> file = SystemFileSystem().OpenForReading(*package);
    if (!file.ok()) {
      PrintError(file.status().message());
      exit_status = kExitFailure;
      return;
    }
    RecordReader reader(**file);
    CatRun run = CopyPicked(reader, NamePattern(*name), options.names);
    if (run.output_failed) {
      exit_status = kExitFailure;
    } else if (!run.failure.empty()) {
      PrintError(*package + ": " + run.failure);
      exit_status = kExitFailure;
    } else if (!run.found) {
      PrintError(*package + ": no entry \"" + *name + "\"" +
                 (reader.corruption() ? "; " + Describe(*reader.corruption()) : ""));
      exit_status = kExitProblems;
    } else if (reader.corruption()) {
      PrintError(*package + ": " + Describe(*reader.corruption()));
      exit_status = kExitProblems;
    }
  });
}

}  // namespace hxf::cli
