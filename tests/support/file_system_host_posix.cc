#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/file_system_host.h"

namespace hxf::testing {
namespace {

namespace fs = std::filesystem;

class PosixHost final : public FileSystemHost {
 public:
  FileSystem& fs() override { return SystemFileSystem(); }
  const std::string& root() const override { return dir_.path(); }

  void Write(const std::string& path, std::string_view content) override {
    WriteFile(path, content);
  }
  void MakeDirectory(const std::string& path) override { fs::create_directories(path); }
  bool MakeReadOnly(const std::string& path) override { return ::chmod(path.c_str(), 0444) == 0; }
  bool MakeLink(const std::string& path, const std::string& target) override {
    return ::symlink(target.c_str(), path.c_str()) == 0;
  }
  bool MakeSpecial(const std::string& path) override { return ::mkfifo(path.c_str(), 0600) == 0; }

  std::optional<Bytes> Read(const std::string& path) override {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return ReadFile(path);
  }
  bool IsLink(const std::string& path) override { return fs::is_symlink(path); }
  bool IsDirectory(const std::string& path) override {
    return !fs::is_symlink(path) && fs::is_directory(path);
  }
  std::vector<std::string> Names(const std::string& path) override {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  TempDir dir_;
};

}  // namespace

std::unique_ptr<FileSystemHost> MakeSystemHost() {
  return std::make_unique<PosixHost>();
}

}  // namespace hxf::testing
