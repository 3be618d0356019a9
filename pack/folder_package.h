// A folder read as the package `pack` would make of it: the directory packer writes the records,
// on a thread of its own, into a small in-memory pipe, and the package is read from the other end
// as a file. So anything that reads packages (a comparison) sees the folder's files in the same
// order, under the same names and with the same refusals as a package packed from it, with
// memory that does not grow with the files. The header is left as zeros: only the records count.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/file_system.h"
#include "pack/pack_directory.h"

namespace hxf {

class BytePipe;

class FolderPackage final : private PackJob {
 public:
  // Starts packing `folder` with `settings`.
  FolderPackage(std::unique_ptr<Directory> folder, PackSettings settings);
  // Stops the packer, if it still runs, and waits for it.
  ~FolderPackage() override;
  FolderPackage(const FolderPackage&) = delete;
  FolderPackage& operator=(const FolderPackage&) = delete;

  // The package, to be read from its start. A read fails when the packer could not go on (the
  // reason is then among the problems). Its size is the format's largest.
  InputFile& file() { return *input_; }
  // The packer's lines about files left out or refused, so far.
  std::vector<std::string> Problems() const;
  // How many names beginning with a dot the packer passed over, once it has finished.
  std::uint64_t Hidden() const;

 private:
  void Run();
  void Report(std::string text, LogKind kind) override;
  bool StopRequested() const override;
  void Written(std::uint64_t) override {}

  std::unique_ptr<Directory> folder_;
  const PackSettings settings_;
  std::shared_ptr<BytePipe> pipe_;
  std::unique_ptr<OutputFile> output_;
  std::unique_ptr<InputFile> input_;
  mutable std::mutex mutex_;
  std::vector<std::string> problems_;
  std::uint64_t hidden_ = 0;
  std::thread thread_;  // last: started once everything else is there
};

}  // namespace hxf
