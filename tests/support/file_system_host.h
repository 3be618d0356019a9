// What the file-system contract suite needs of an implementation besides the interface itself:
// a fresh directory to work in, and ways to lay out and inspect what a test needs there (a file,
// a read-only file, a link, a special file) by the implementation's own means.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_system.h"
#include "tests/support/files.h"

namespace hxf::testing {

class FileSystemHost {
 public:
  virtual ~FileSystemHost() = default;

  virtual FileSystem& fs() = 0;
  // An empty directory for one test, removed with the host.
  virtual const std::string& root() const = 0;
  // `relative` below root(), with the host's separator.
  std::string operator/(std::string_view relative) const { return JoinPath(root(), relative); }

  // Writes a file, making missing parent directories.
  virtual void Write(const std::string& path, std::string_view content) = 0;
  virtual void MakeDirectory(const std::string& path) = 0;
  // Each returns false when this host cannot make such a thing.
  virtual bool MakeReadOnly(const std::string& path) = 0;
  // A symbolic link at `path` to `target` (absolute, or relative to the link's directory).
  virtual bool MakeLink(const std::string& path, const std::string& target) = 0;
  // A pipe or the like: listed, never opened.
  virtual bool MakeSpecial(const std::string& path) = 0;

  // The content of the regular file at `path`; nullopt when there is none (a link not followed).
  virtual std::optional<Bytes> Read(const std::string& path) = 0;
  virtual bool IsLink(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  // The names in the directory at `path`, sorted.
  virtual std::vector<std::string> Names(const std::string& path) = 0;
};

// The host's own file system, in a fresh temporary directory.
std::unique_ptr<FileSystemHost> MakeSystemHost();
// A MemoryFileSystem.
std::unique_ptr<FileSystemHost> MakeMemoryHost();

}  // namespace hxf::testing
