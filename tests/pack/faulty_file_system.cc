#include "tests/pack/faulty_file_system.h"

#include <algorithm>

namespace hxf::testing {
namespace {

Status NoSpace(const std::string& path) {
  return Status::Error(Status::Code::kNoSpace,
                       "cannot write " + path + ": No space left on device");
}

class FaultyOutputFile final : public OutputFile {
 public:
  FaultyOutputFile(std::unique_ptr<OutputFile> base, const Faults& faults)
      : base_(std::move(base)), faults_(faults) {}

  Status Write(std::span<const std::byte> bytes) override {
    if (faults_.disk_space && size_ + bytes.size() > *faults_.disk_space) {
      return NoSpace(path());
    }
    std::size_t stored = bytes.size();
    if (faults_.stored_bytes) {
      stored = static_cast<std::size_t>(std::min<std::uint64_t>(
          bytes.size(), *faults_.stored_bytes - std::min(size_, *faults_.stored_bytes)));
    }
    size_ += bytes.size();
    return stored == 0 ? Status::Ok() : base_->Write(bytes.first(stored));
  }

  Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) override {
    if (faults_.fail_write_at) return NoSpace(path());
    return base_->WriteAt(offset, bytes);
  }

  Status Commit() override {
    if (faults_.fail_commit) {
      return Status::Error(Status::Code::kIoError, "cannot flush " + path() + ": I/O error");
    }
    return base_->Commit();
  }

  FileId id() const override { return base_->id(); }
  const std::string& path() const override { return base_->path(); }

 private:
  std::unique_ptr<OutputFile> base_;
  const Faults& faults_;
  std::uint64_t size_ = 0;
};

class FaultyInputFile final : public InputFile {
 public:
  FaultyInputFile(std::unique_ptr<InputFile> base, std::int64_t size_change, bool unreadable)
      : base_(std::move(base)), size_change_(size_change), unreadable_(unreadable) {}

  Result<std::size_t> Read(std::span<std::byte> buffer) override {
    if (unreadable_ && read_any_) {
      return Status::Error(Status::Code::kIoError, "cannot read " + path() + ": I/O error");
    }
    read_any_ = true;
    return base_->Read(unreadable_ ? buffer.first(std::min<std::size_t>(buffer.size(), 2))
                                   : buffer);
  }
  Status Seek(std::uint64_t offset) override { return base_->Seek(offset); }
  std::uint64_t size() const override {
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(base_->size()) + size_change_);
  }
  FileId id() const override { return base_->id(); }
  const std::string& path() const override { return base_->path(); }

 private:
  std::unique_ptr<InputFile> base_;
  std::int64_t size_change_;
  bool unreadable_;
  bool read_any_ = false;
};

class FaultyDirectory final : public Directory {
 public:
  FaultyDirectory(std::unique_ptr<Directory> base, const Faults& faults)
      : base_(std::move(base)), faults_(faults) {}

  const std::string& path() const override { return base_->path(); }
  FileId id() const override { return base_->id(); }

  Result<std::vector<DirectoryEntry>> List() override {
    if (faults_.unlistable_directories.contains(path())) {
      return Status::Error(Status::Code::kPermission, "cannot list " + path() + ": denied");
    }
    return base_->List();
  }
  Result<std::unique_ptr<Directory>> OpenSubdirectory(std::string_view name) override {
    return Wrap(base_->OpenSubdirectory(name));
  }
  Result<std::unique_ptr<Directory>> MakeSubdirectory(std::string_view name) override {
    return Wrap(base_->MakeSubdirectory(name));
  }
  Result<std::unique_ptr<InputFile>> OpenFile(std::string_view name) override {
    Result<std::unique_ptr<InputFile>> file = base_->OpenFile(name);
    if (!file.ok()) return file;
    const std::string key(name);
    const auto change = faults_.size_changes.find(key);
    return std::unique_ptr<InputFile>(new FaultyInputFile(
        std::move(file.value()), change == faults_.size_changes.end() ? 0 : change->second,
        faults_.unreadable_files.contains(key)));
  }
  Result<FileId> Identify(std::string_view name) override { return base_->Identify(name); }
  Result<bool> LinkLeadsInside(std::string_view name, const Directory& ancestor) override {
    return base_->LinkLeadsInside(name, ancestor);
  }
  Result<std::unique_ptr<OutputFile>> CreateFile(std::string_view name) override {
    Result<std::unique_ptr<OutputFile>> file = base_->CreateFile(name);
    if (!file.ok()) return file;
    return std::unique_ptr<OutputFile>(new FaultyOutputFile(std::move(file.value()), faults_));
  }

 private:
  Result<std::unique_ptr<Directory>> Wrap(Result<std::unique_ptr<Directory>> directory) {
    if (!directory.ok()) return directory;
    return std::unique_ptr<Directory>(new FaultyDirectory(std::move(directory.value()), faults_));
  }

  std::unique_ptr<Directory> base_;
  const Faults& faults_;
};

}  // namespace

Result<std::unique_ptr<Directory>> FaultyFileSystem::OpenDirectory(const std::string& path,
                                                                   bool create) {
  Result<std::unique_ptr<Directory>> directory = base_.OpenDirectory(path, create);
  if (!directory.ok()) return directory;
  return std::unique_ptr<Directory>(new FaultyDirectory(std::move(directory.value()), faults_));
}

Result<std::unique_ptr<OutputFile>> FaultyFileSystem::CreateReplacing(const std::string& path) {
  Result<std::unique_ptr<OutputFile>> file = base_.CreateReplacing(path);
  if (!file.ok()) return file;
  return std::unique_ptr<OutputFile>(new FaultyOutputFile(std::move(file.value()), faults_));
}

}  // namespace hxf::testing
