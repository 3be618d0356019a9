// The pack job: builds a package from the tree under the pack root (by default `in_hxf` beside the
// package) and puts it in place of PackageFile only once it is complete.
#pragma once

#include <string>

#include "core/file_system.h"
#include "core/name_encoding.h"
#include "core/worker.h"

namespace hxf {

class TPackage final : public Worker {
 public:
  explicit TPackage(LogOwner& owner, FileSystem& file_system = SystemFileSystem());
  ~TPackage() override { WaitFor(); }

  // The tree to pack; empty means `in_hxf` beside PackageFile. Set before Resume.
  std::string PackRoot;
  NameEncoding Names = NameEncoding::kGbk;

 protected:
  void Execute() override;

 private:
  FileSystem& file_system_;
};

}  // namespace hxf
