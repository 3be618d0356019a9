// The unpack job: writes every file stored in a package into the unpack root (by default
// `out_hxf` beside the package), creating the directories its backslash-separated name gives.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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
class WrittenNames;

struct UnpackJobSettings {
  // Where to unpack; empty means `out_hxf` beside the package.
  std::string unpack_root = {};
  NameEncoding names = NameEncoding::kGbk;
  // Entry names or patterns (core/name_pattern.h) of the entries to write; empty: every entry.
  // One that picks no entry is a problem, told after the final line.
  std::vector<std::string> only = {};
  // What becomes of the files already in the unpack root (kReplace or kKeep).
  ExistingFiles existing_files = ExistingFiles::kReplace;
  // When the root holds anything, the log owner is asked instead (the window asks its user).
  bool ask_about_existing_files = false;
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
  // What became of an entry's file.
  enum class Outcome {
    kWritten,     // it holds the entry's data now: written, or found so already
    kNotWritten,  // refused, failed or left as it was; the unpack goes on
    kStop,        // the unpack cannot go on
  };

  // Settles what becomes of the files already in the root, asking when the settings say so;
  // false when the user cancelled (said so already).
  bool SettleExistingFiles(const std::string& root_path);
  bool HoldsFiles(const std::string& root_path);
  // Writes the file of the record the reader stands on, or skips its data when it cannot.
  Next ExtractEntry(RecordReader& reader, DirectoryCache& directories, WrittenNames& written);
  Next Unpack(RecordReader& reader, DirectoryCache& directories, WrittenNames& written);
  // Writes the entry's file at host path `components`, unless it is kept.
  Outcome ExtractFile(RecordReader& reader, DirectoryCache& directories,
                      const std::vector<std::string>& components, const std::string& shown,
                      bool written_in_this_run);
  // Under kKeep: compares the file already at `name` with the entry's data, leaving it as it is.
  // kNotWritten once it is told as kept; kWritten for a file equal to the entry; nullopt when
  // nothing is there.
  std::optional<Outcome> CompareWithExisting(RecordReader& reader, Directory& directory,
                                             const std::string& name, const std::string& shown);
  Outcome WriteFile(RecordReader& reader, Directory& directory, const std::string& name,
                    const std::string& shown);
  // Skips the record's data, unwritten; `text` + `shown` (and `why`) says why.
  Outcome Skip(RecordReader& reader, std::string_view text, const std::string& shown,
               const Status& why);
  // Tells why the reader failed (`why`, or its corruption) and stops.
  Outcome StopReading(const RecordReader& reader, const Status& why);
  // The key (core/host_names.h) of the file that the record at `record_offset` named.
  Result<std::string> EarlierFileKey(RecordReader& reader, std::uint64_t record_offset) const;
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
  // A problem that lost nothing (the header disagrees with the body, a file kept as it was, a
  // name given twice).
  void NoteFlaw();

  const Settings settings_;
  FileSystem& file_system_;
  std::vector<NamePattern> patterns_;
  std::vector<bool> matched_;
  ExistingFiles existing_files_ = ExistingFiles::kReplace;
  std::vector<std::byte> compare_buffer_;  // the existing file's bytes, compared a piece at a time
  std::uint64_t not_written_ = 0;
  std::uint64_t flaws_ = 0;
  std::uint64_t hidden_written_ = 0;
  RecordTally tally_;
};

}  // namespace hxf
