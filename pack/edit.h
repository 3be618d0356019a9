// The edit job: changes a package in place without unpacking it. The records it keeps are copied
// through as they stand, in their order, into a replacement written beside the package, with a
// fresh header; the replacement takes the package's place only once complete, as a repack's does.
// On any failure, or when a name to remove picks nothing, the package stays as it was.
//
// Files added are read and checked by the directory packer, as `pack` reads them, and merged into
// the package's records: a file whose name equals an entry's but for ASCII case replaces that
// entry in its place (keeping the entry's spelling), any other goes where the packer's order puts
// it. So for a package hxf packed, the result is byte for byte what packing the changed tree gives.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/file_system.h"
#include "core/name_encoding.h"
#include "core/name_pattern.h"
#include "core/package_integrity.h"
#include "core/record_reader.h"
#include "core/record_writer.h"
#include "core/worker.h"
#include "pack/name_case.h"
#include "pack/pack_directory.h"

namespace hxf {

struct EditJobSettings {
  NameEncoding names = NameEncoding::kGbk;
  // Entry names or patterns (core/name_pattern.h) of the entries to take out.
  std::vector<std::string> remove = {};
  // Files, or folders taken whole, to put in, each a path relative to `add_from` (`/` or `\`
  // between components) that is stored under that path. A path that leads out of the folder,
  // names a hidden file (a component starting with a dot, unless `include_hidden`) or names
  // nothing leaves the package as it was.
  std::vector<std::string> add = {};
  std::string add_from = {};  // empty: the current folder
  // Follow every link, also one that leads out of `add_from`.
  bool follow_all_links = false;
  // Put in files and folders whose names begin with a dot too, also when a path names one.
  bool include_hidden = false;
};

class TEdit : public Worker, private PackJob {
 public:
  using Settings = EditJobSettings;

 protected:
  // Made as Joined<TEdit> (core/worker.h).
  TEdit(LogOwner& owner, std::string package_file, Settings settings = {},
        FileSystem& file_system = SystemFileSystem());

  void Execute() override;

 private:
  enum class Next { kGoOn, kStop };

  // The paths to add as components below `add_from`, each checked to name something there; empty
  // and logged when one does not.
  std::vector<std::vector<std::string>> PathsToAdd();
  // Runs the directory packer over the paths to add; its records are merged in by BeforeEntry.
  Next AddFiles(Directory& folder, std::vector<std::vector<std::string>> paths,
                const OutputFile& output, RecordWriter& writer);
  // Ends the package and puts it in place, unless a name to remove picked nothing or no entry
  // is left.
  void Finish(OutputFile& output, RecordWriter& writer);
  // Copies every remaining record to keep to the writer.
  Next CopyRecords();
  // Makes the package's next record the current one, unless one is already; notes its end.
  Next PeekRecord();
  // Copies the current record through, or leaves it out when it is to be removed.
  Next CopyEntry();
  // Whether a pattern to remove picks the entry `name` (decoded); notes which did.
  bool Removed(std::string_view name);
  // The current record has been dealt with.
  void Passed();
  // Logs why the package stays as it was; the job ends with `result`.
  void Keep(std::string line, JobResult result = JobResult::kFailed);
  Next FailReading(const Status& why);
  // Once the package has been read to its end: whether it is whole. A package that is not is
  // refused, with what is wrong in the words of `hxf verify`.
  Next CheckWhole();
  // Whether the file read has no package header (once its first record has been asked for).
  bool NotAPackage() const;

  // PackJob: the files to add are read and checked by the directory packer.
  void Report(std::string text, LogKind kind) override;
  bool StopRequested() const override { return Cancelled(); }
  void Written(std::uint64_t package_bytes) override { SetProgress(package_bytes); }
  Status BeforeEntry(std::string& entry_name) override;

  const Settings settings_;
  FileSystem& file_system_;
  std::vector<NamePattern> patterns_;
  std::vector<bool> matched_;
  NameCaseCheck names_;
  RecordReader* reader_ = nullptr;
  RecordWriter* writer_ = nullptr;
  bool current_ = false;  // reader_ stands on a record not yet dealt with
  bool ended_ = false;    // every record has been read
  RecordTally tally_;     // of the records read
  std::uint64_t entries_written_ = 0;
  PackTotals added_;            // what the packer made of the files to add
  std::uint64_t problems_ = 0;  // problem lines of a package that is still written
  bool kept_ = false;           // the package is kept, and the log has said so
  // How many records yet to come have each name, folded (pack/name_case.h).
  std::unordered_map<std::string, std::size_t> to_come_;
};

}  // namespace hxf
