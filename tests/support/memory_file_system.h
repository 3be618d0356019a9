// A file system held in memory, keeping the contract of core/file_system.h: holds with and without
// sharing, files that take their name only on commit, links that are followed or never written
// through, read-only files and special files. Tests use it to run the jobs without a disk, and
// the contract suite runs over it beside the host's file system.
//
// Paths are "/"-separated; a path without a leading "/" is taken from the root, as is one with.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_system.h"
#include "tests/support/files.h"

namespace hxf::testing {

class MemoryFileSystem final : public FileSystem {
 public:
  struct Node;

  MemoryFileSystem();
  ~MemoryFileSystem() override;

  // Setting up a tree, making missing parent directories. Each replaces what stands at `path`.
  void AddFile(const std::string& path, const Bytes& content, bool read_only = false);
  void AddDirectory(const std::string& path);
  // A symbolic link to `target`, absolute or relative to the link's directory.
  void AddLink(const std::string& path, const std::string& target);
  // A pipe, device or socket: it can be listed, never opened.
  void AddSpecial(const std::string& path);

  // What stands at `path`, links not followed.
  std::optional<Bytes> FileContent(const std::string& path) const;
  bool IsDirectory(const std::string& path) const;
  bool IsLink(const std::string& path) const;
  bool Exists(const std::string& path) const;
  // The names in the directory at `path`, sorted.
  std::vector<std::string> Names(const std::string& path) const;

  Result<std::unique_ptr<InputFile>> OpenForReading(const std::string& path) override;
  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path, bool create) override;
  Result<std::unique_ptr<OutputFile>> CreateReplacing(const std::string& path) override;
  Result<FileId> Identify(const std::string& path) override;

  // For the objects it hands out: everything below is guarded by mutex().
  std::mutex& mutex() const { return mutex_; }
  // The node `path` leads to, following links (the last one too with `follow_last`).
  std::shared_ptr<Node> Find(const std::string& path, bool follow_last) const;
  // The path with every link followed and "." and ".." taken out; nullopt when it leads nowhere.
  std::optional<std::string> Canonical(const std::string& path) const;
  std::shared_ptr<Node> NewNode(int kind);

 private:
  std::shared_ptr<Node> Place(const std::string& path, int kind);

  mutable std::mutex mutex_;
  std::shared_ptr<Node> root_;
  std::uint64_t next_inode_ = 1;
};

}  // namespace hxf::testing
