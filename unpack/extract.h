// The unpack job: writes every file stored in a package into the unpack root (by default
// `out_hxf` beside the package), creating the directories its backslash-separated name gives.
#pragma once

#include <memory>
#include <string>

#include "core/file_system.h"
#include "core/name_encoding.h"
#include "core/record_reader.h"
#include "core/worker.h"

namespace hxf {

class DirectoryCache;

struct UnpackJobSettings {
  // Where to unpack; empty means `out_hxf` beside the package.
  std::string unpack_root;
  NameEncoding names = NameEncoding::kGbk;
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
  void CheckHeader(const RecordReader& reader);

  const Settings settings_;
  FileSystem& file_system_;
};

}  // namespace hxf
