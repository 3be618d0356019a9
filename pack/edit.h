// The edit job: changes a package in place without unpacking it. The records it keeps are copied
// through as they stand, in their order, into a replacement written beside the package, with a
// fresh header; the replacement takes the package's place only once complete, as a repack's does.
// On any failure, or when a name to remove picks nothing, the package stays as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/file_system.h"
#include "core/name_encoding.h"
#include "core/name_pattern.h"
#include "core/record_reader.h"
#include "core/record_writer.h"
#include "core/worker.h"

namespace hxf {

struct EditJobSettings {
  NameEncoding names = NameEncoding::kGbk;
  // Entry names or patterns (core/name_pattern.h) of the entries to take out.
  std::vector<std::string> remove = {};
};

class TEdit : public Worker {
 public:
  using Settings = EditJobSettings;

 protected:
  // Made as Joined<TEdit> (core/worker.h).
  TEdit(LogOwner& owner, std::string package_file, Settings settings = {},
        FileSystem& file_system = SystemFileSystem());

  void Execute() override;

 private:
  enum class Next { kGoOn, kStop };

  // Copies every record to keep from `reader` to `writer`, leaving out the ones to remove.
  Next CopyRecords(RecordReader& reader, RecordWriter& writer);
  Next CopyEntry(RecordReader& reader, RecordWriter& writer);
  // Whether a pattern to remove picks the entry `name` (decoded); notes which did.
  bool Removed(std::string_view name);
  // Logs why the package stays as it was; the job ends with `result`.
  void Keep(std::string line, JobResult result = JobResult::kFailed);
  Next FailReading(RecordReader& reader, const Status& why);

  const Settings settings_;
  FileSystem& file_system_;
  std::vector<NamePattern> patterns_;
  std::vector<bool> matched_;
};

}  // namespace hxf
