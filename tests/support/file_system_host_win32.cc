// The contract suite's host on Windows: the read-only attribute, and links as tests/support/links.h
// makes them.
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "core/wide_string_win32.h"
#include "tests/support/file_system_host.h"
#include "tests/support/links.h"

namespace hxf::testing {
namespace {

namespace fs = std::filesystem;

fs::path Host(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

DWORD AttributesOf(const std::string& path) {
  return GetFileAttributesW(WideFromUtf8Lossy(path).c_str());
}

bool Has(DWORD attributes, DWORD wanted) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & wanted) != 0;
}

class Win32Host final : public FileSystemHost {
 public:
  FileSystem& fs() override { return SystemFileSystem(); }
  const std::string& root() const override { return dir_.path(); }

  void Write(const std::string& path, std::string_view content) override {
    WriteFile(path, content);
  }
  void MakeDirectory(const std::string& path) override { fs::create_directories(Host(path)); }
  bool MakeReadOnly(const std::string& path) override {
    return SetFileAttributesW(WideFromUtf8Lossy(path).c_str(), FILE_ATTRIBUTE_READONLY) != 0;
  }
  bool MakeLink(const std::string& path, const std::string& target) override {
    return testing::MakeLink(path, target);
  }
  bool MakeSpecial(const std::string&) override { return false; }  // no pipes in a directory

  std::optional<Bytes> Read(const std::string& path) override {
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        Has(attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
      return std::nullopt;
    }
    return ReadFile(path);
  }
  bool IsLink(const std::string& path) override {
    return Has(AttributesOf(path), FILE_ATTRIBUTE_REPARSE_POINT);
  }
  bool IsDirectory(const std::string& path) override {
    const DWORD attributes = AttributesOf(path);
    return Has(attributes, FILE_ATTRIBUTE_DIRECTORY) &&
           !Has(attributes, FILE_ATTRIBUTE_REPARSE_POINT);
  }
  std::vector<std::string> Names(const std::string& path) override {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Host(path))) {
      const std::u8string name = entry.path().filename().u8string();
      names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  TempDir dir_;
};

}  // namespace

std::unique_ptr<FileSystemHost> MakeSystemHost() {
  return std::make_unique<Win32Host>();
}

}  // namespace hxf::testing
