// Real files for tests: a scratch directory removed with everything in it, and whole-file helpers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hxf::testing {

using Bytes = std::vector<std::byte>;

Bytes ToBytes(std::string_view text);
std::string ToString(const Bytes& bytes);

// A fresh directory under the system's temporary directory, removed on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // `relative` joined to the directory's path.
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Writes `content` to `path`, creating missing parent directories.
void WriteFile(const std::string& path, const Bytes& content);
void WriteFile(const std::string& path, std::string_view content);
Bytes ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Removes the file at `path`; false when there was none.
bool RemoveFile(const std::string& path);
// Every regular file under `root`, as paths relative to it, sorted.
std::vector<std::string> ListFilesRecursively(const std::string& root);

}  // namespace hxf::testing
