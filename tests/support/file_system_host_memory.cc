#include "tests/support/file_system_host.h"
#include "tests/support/memory_file_system.h"

namespace hxf::testing {
namespace {

class MemoryHost final : public FileSystemHost {
 public:
  MemoryHost() { memory_.AddDirectory(root_); }

  FileSystem& fs() override { return memory_; }
  const std::string& root() const override { return root_; }

  void Write(const std::string& path, std::string_view content) override {
    memory_.AddFile(path, ToBytes(content));
  }
  void MakeDirectory(const std::string& path) override { memory_.AddDirectory(path); }
  bool MakeReadOnly(const std::string& path) override {
    const std::optional<Bytes> content = memory_.FileContent(path);
    if (!content) return false;
    memory_.AddFile(path, *content, true);
    return true;
  }
  bool MakeLink(const std::string& path, const std::string& target) override {
    memory_.AddLink(path, target);
    return true;
  }
  bool MakeSpecial(const std::string& path) override {
    memory_.AddSpecial(path);
    return true;
  }

  std::optional<Bytes> Read(const std::string& path) override { return memory_.FileContent(path); }
  bool IsLink(const std::string& path) override { return memory_.IsLink(path); }
  bool IsDirectory(const std::string& path) override { return memory_.IsDirectory(path); }
  std::vector<std::string> Names(const std::string& path) override { return memory_.Names(path); }

 private:
  MemoryFileSystem memory_;
  const std::string root_ = "/test";
};

}  // namespace

std::unique_ptr<FileSystemHost> MakeMemoryHost() {
  return std::make_unique<MemoryHost>();
}

}  // namespace hxf::testing
