// The unpack job: writes every file stored in a package into the unpack root (by default
// `out_hxf` beside the package), creating the directories its backslash-separated name gives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_system.h"
#include "core/name_encoding.h"
#include "core/name_pattern.h"
#include "core/package_integrity.h"
#include "core/record_reader.h"
#include "core/worker.h"

namespace hxf {

class DirectoryCache;

struct UnpackJobSettings {
  // Where to unpack; empty means `out_hxf` beside the package.
  std::string unpack_root = {};
  NameEncoding names = NameEncoding::kGbk;
  // Entry names or patterns (core/name_pattern.h) of the entries to write; empty: every entry.
  // One that picks no entry is a problem, told after the final line.
  std::vector<std::string> only = {};
};

class TExtract : public Worker {
 public:
  using Settings = UnpackJobSettings;

 protected:
  // Made as Joined<TExtract> (core/worker.h).
  TExtract(LogOwner& owner, std::string package_file, Settings settings = {},
           FileSystem& file_system = SystemFileSystem());

  void Execute() override;

 private:
  enum class Next { kGoOn, kStop };

  // Writes the file of the record the reader stands on, or skips its data when it cannot.
  Next ExtractEntry(RecordReader& reader, DirectoryCache& directories);
  Next Unpack(RecordReader& reader, DirectoryCache& directories);
  // Whether the entry `name` (decoded) is one to write; notes which patterns picked it.
  bool Picked(std::string_view name);
  // One problem line per pattern of `only` that picked no entry.
  void LogUnmatched();
  void LogCorruption(const Corruption& corruption);
  void FailReading(const Status& why);
  // Whether the package read is whole: its header's texts, length and checksum, and its records
  // up to an end marker at its end.
  void CheckWhole(const RecordReader& reader);
  // The last lines: that the unpack is complete, or else how many records were not written or
  // how many problems there were that lost nothing; before that, how many files a repack would
  // pass over.
  void LogEnd();
  // A file written whose path has a name beginning with a dot.
  void NoteHidden(const std::vector<std::string>& components);
  // A record whose file was not written (refused, skipped, lost or where the records end).
  void NoteNotWritten();
  // A problem that lost nothing (the header disagrees with the body).
  void NoteFlaw();

  const Settings settings_;
  FileSystem& file_system_;
  std::vector<NamePattern> patterns_;
  std::vector<bool> matched_;
  std::uint64_t not_written_ = 0;
  std::uint64_t flaws_ = 0;
  std::uint64_t hidden_written_ = 0;
  RecordTally tally_;
};

}  // namespace hxf
