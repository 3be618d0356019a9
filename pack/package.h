// The pack job: builds a package from the tree under the pack root (by default `in_hxf` beside the
// package) and puts it in place of PackageFile only once it is complete.
#pragma once

#include <cstdint>
#include <string>

#include "core/file_system.h"
#include "core/name_encoding.h"
#include "core/worker.h"
#include "pack/pack_directory.h"

namespace hxf {

struct PackJobSettings {
  // The tree to pack; empty means `in_hxf` beside the package, made when missing. A folder named
  // here must exist.
  std::string pack_root;
  NameEncoding names = NameEncoding::kGbk;
  // Follow every link in the tree, also one that leads out of it.
  bool follow_all_links = false;
  // Pack files and folders whose names begin with a dot too.
  bool include_hidden = false;
};

class TPackage : public Worker, private PackJob {
 public:
  using Settings = PackJobSettings;

 protected:
  // Made as Joined<TPackage> (core/worker.h).
  TPackage(LogOwner& owner, std::string package_file, Settings settings = {},
           FileSystem& file_system = SystemFileSystem());

  // Writes the package to a temporary file beside PackageFile, then renames it over PackageFile.
  // On any failure the previous package stays as it was and the temporary file is removed.
  void Execute() override;

 private:
  // PackJob: the directory packer reports through the worker's log.
  void Report(std::string text, LogKind kind) override;
  bool StopRequested() const override { return Cancelled(); }
  void Written(std::uint64_t package_bytes) override { SetProgress(package_bytes); }

  // Logs a failure of the package as a whole; the job ends without a package.
  void Fail(std::string line, JobResult result = JobResult::kFailed);
  // The lines of a package made: that all went well, or else how many files were left out or how
  // many problems there were; before that, how many hidden names were left out.
  void LogEnd(const PackTotals& totals);

  const Settings settings_;
  FileSystem& file_system_;
  std::uint64_t problems_ = 0;  // problem lines logged
};

}  // namespace hxf
