// The check job: reads a package to its end and logs what `hxf verify` finds in it (how many
// entries, its length and checksum, and every problem), one line each. It writes nothing, so it
// is what the window runs on a package it is given to open.
#pragma once

#include <string>

#include "core/file_system.h"
#include "core/name_encoding.h"
#include "core/worker.h"
#include "verify/package_check.h"

namespace hxf {

struct VerifyJobSettings {
  NameEncoding names = NameEncoding::kGbk;
};

class TVerify : public Worker {
 public:
  using Settings = VerifyJobSettings;

 protected:
  // Made as Joined<TVerify> (core/worker.h).
  TVerify(LogOwner& owner, std::string package_file, Settings settings = {},
          FileSystem& file_system = SystemFileSystem());

  void Execute() override;

 private:
  void LogFindings(const PackageCheck& check);
  // The line of one finding: a problem, or the figure it confirms (the length, the checksum).
  void LogFinding(const CheckFinding& finding, const RecordReader& reader);

  const Settings settings_;
  FileSystem& file_system_;
};

}  // namespace hxf
