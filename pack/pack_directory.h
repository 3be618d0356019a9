// The directory packer: walks the tree under the pack root and appends one entry record per file,
// in the package's order. Within a directory, files and subdirectories are sorted together by
// NameLess over their package names, and a subdirectory's records come at its sorted place. All
// "Adding" lines of a directory are logged, in listing order, before any of its records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/file_system.h"
#include "core/log_owner.h"
#include "core/name_encoding.h"
#include "core/record_writer.h"
#include "core/status.h"
#include "pack/name_case.h"

namespace hxf {

// What the packer needs of the job that runs it.
class PackJob {
 public:
  virtual ~PackJob() = default;
  // Logs a line. A kProblem line also marks the job as having had problems.
  virtual void Report(std::string text, LogKind kind) = 0;
  // True once the job has been asked to stop.
  virtual bool StopRequested() const = 0;
  // The package has grown to `package_bytes`.
  virtual void Written(std::uint64_t package_bytes) = 0;
  // Called before the record of a file is written, with its entry name: a job that merges the
  // files into a package of its own writes there what comes before it. It may respell
  // `entry_name` as the entry the file replaces, equal but for case. A non-ok result ends the
  // packing; the job has said why.
  virtual Status BeforeEntry(std::string& entry_name) {
    (void)entry_name;
    return Status::Ok();
  }
};

// File contents pass through one buffer of this size; no file is ever held whole. A megabyte a
// read keeps the calls few for large files (a gigabyte copies in a quarter less time than with
// 100 KiB) and still fits the processor's cache.
inline constexpr std::size_t kPackCopyBufferSize = 1024 * 1024;

struct PackSettings {
  NameEncoding names = NameEncoding::kGbk;
  // Files never packed even when they lie in the tree: the package being written and the one it
  // replaces.
  std::vector<FileId> excluded_files;
  // Follow every link, also one that leads out of the pack root.
  bool follow_all_links = false;
  // Pack files and folders whose names begin with a dot too (by default they are left out).
  bool include_hidden = false;
  std::size_t buffer_size = kPackCopyBufferSize;
  // When not empty, only these paths below the pack root are packed, each a file or a folder
  // taken whole, given as host name components (an empty one is the whole root). A component
  // picks the name it equals, or failing that the names it equals but for ASCII case. One that
  // picks nothing is logged, and counted as left out.
  std::vector<std::vector<std::string>> only;
};

struct PackTotals {
  std::uint64_t entries = 0;   // records written
  std::uint64_t left_out = 0;  // files and directories refused and left out
  std::uint64_t hidden = 0;    // files and directories left out for a name beginning with a dot
};

// Appends to `package` the records of every file at or below `root`, the pack root.
//
// What a record cannot hold is refused with a log line naming the file, and the file is left
// out: a name that has no GBK form, holds a backslash, a control character or a colon (what the
// unpacker would refuse), or makes an entry name over 400 bytes; a file of 2 GiB or more. Files
// that cannot be opened, special files, directories that cannot be read, links that lead out of
// the pack root and directory links leading back up the tree are logged and left out too. A file
// whose size changes while it is copied still gets exactly the length its record states
// (zero-filled, with a warning, when it shrank).
//
// Returns non-ok only when the package as a whole cannot be completed: a write failed, the
// package would reach 2 GiB, the job was asked to stop, or `root` itself cannot be listed. The
// reason has then been logged.
Result<PackTotals> PackDirectory(PackJob& job, RecordWriter& package, Directory& root,
                                 const PackSettings& settings);
// The same, warning about names equal but for case also against the names `names` has noted
// (those of a package the files are merged into), and noting every name written there.
Result<PackTotals> PackDirectory(PackJob& job, RecordWriter& package, Directory& root,
                                 const PackSettings& settings, NameCaseCheck& names);

}  // namespace hxf
