#include "tests/support/faulty_file_system.h"

#include <algorithm>

namespace hxf::testing {
namespace {

Status NoSpace(const std::string& path) {
  return Status::Error(Status::Code::kNoSpace,
                       "cannot write " + path + ": No space left on device");
}

class FaultyInputFile final : public InputFile {
 public:
  FaultyInputFile(std::unique_ptr<InputFile> base, FaultyFileSystem& faults,
                  std::int64_t size_change, bool unreadable)
      : base_(std::move(base)),
        faults_(faults),
        size_change_(size_change),
        unreadable_(unreadable) {}

  Result<std::size_t> Read(std::span<std::byte> buffer) override {
    if (Status fault = faults_.Check(Operation::kRead, path()); !fault.ok()) return fault;
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
  FaultyFileSystem& faults_;
  std::int64_t size_change_;
  bool unreadable_;
  bool read_any_ = false;
};

class FaultyOutputFile final : public OutputFile {
 public:
  FaultyOutputFile(std::unique_ptr<OutputFile> base, FaultyFileSystem& faults)
      : base_(std::move(base)), faults_(faults) {}

  Status Write(std::span<const std::byte> bytes) override {
    if (Status fault = faults_.Check(Operation::kWrite, path()); !fault.ok()) return fault;
    const Faults& standing = faults_.faults();
    if (standing.disk_space && size_ + bytes.size() > *standing.disk_space) return NoSpace(path());
    std::size_t stored = bytes.size();
    if (standing.stored_bytes) {
      stored = static_cast<std::size_t>(std::min<std::uint64_t>(
          bytes.size(), *standing.stored_bytes - std::min(size_, *standing.stored_bytes)));
    }
    size_ += bytes.size();
    return stored == 0 ? Status::Ok() : base_->Write(bytes.first(stored));
  }
  Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) override {
    if (Status fault = faults_.Check(Operation::kWrite, path()); !fault.ok()) return fault;
    if (faults_.faults().fail_write_at) return NoSpace(path());
    return base_->WriteAt(offset, bytes);
  }
  Status Commit(const StopRequest& stop) override {
    if (Status fault = faults_.Check(Operation::kCommit, path()); !fault.ok()) return fault;
    const Faults& standing = faults_.faults();
    if (standing.fail_commit) {
      return Status::Error(Status::Code::kIoError, "cannot flush " + path() + ": I/O error");
    }
    if (standing.while_flushing) standing.while_flushing();
    Status committed = base_->Commit(stop);
    if (committed.ok() && standing.after_commit) standing.after_commit();
    return committed;
  }
  FileId id() const override { return base_->id(); }
  Result<std::unique_ptr<InputFile>> OpenReplaced() override { return base_->OpenReplaced(); }
  const std::string& path() const override { return base_->path(); }

 private:
  std::unique_ptr<OutputFile> base_;
  FaultyFileSystem& faults_;
  std::uint64_t size_ = 0;
};

Result<std::unique_ptr<OutputFile>> WrapOutput(Result<std::unique_ptr<OutputFile>> file,
                                               FaultyFileSystem& faults) {
  if (!file.ok()) return file;
  return std::unique_ptr<OutputFile>(new FaultyOutputFile(std::move(file.value()), faults));
}

Result<std::unique_ptr<InputFile>> WrapInput(Result<std::unique_ptr<InputFile>> file,
                                             FaultyFileSystem& faults, const std::string& name) {
  if (!file.ok()) return file;
  const std::map<std::string, std::int64_t>& changes = faults.faults().size_changes;
  const auto change = changes.find(name);
  return std::unique_ptr<InputFile>(new FaultyInputFile(
      std::move(file.value()), faults, change == changes.end() ? 0 : change->second,
      faults.faults().unreadable_files.contains(name)));
}

class FaultyDirectory final : public Directory {
 public:
  FaultyDirectory(std::unique_ptr<Directory> base, FaultyFileSystem& faults)
      : base_(std::move(base)), faults_(faults) {}

  const std::string& path() const override { return base_->path(); }
  FileId id() const override { return base_->id(); }

  Result<Listing> List() override {
    if (Status fault = faults_.Check(Operation::kList, path()); !fault.ok()) return fault;
    if (faults_.faults().unlistable_directories.contains(path())) {
      return Status::Error(Status::Code::kPermission, "cannot list " + path() + ": denied");
    }
    return base_->List();
  }
  Result<std::unique_ptr<Directory>> OpenSubdirectory(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kOpen, Child(name)); !fault.ok()) return fault;
    return Wrap(base_->OpenSubdirectory(name));
  }
  Result<std::unique_ptr<Directory>> MakeSubdirectory(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kMakeDirectory, Child(name)); !fault.ok()) {
      return fault;
    }
    return Wrap(base_->MakeSubdirectory(name));
  }
  Result<std::unique_ptr<InputFile>> OpenFile(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kOpen, Child(name)); !fault.ok()) return fault;
    return WrapInput(base_->OpenFile(name), faults_, std::string(name));
  }
  Result<std::unique_ptr<InputFile>> OpenPlainFile(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kOpen, Child(name)); !fault.ok()) return fault;
    return WrapInput(base_->OpenPlainFile(name), faults_, std::string(name));
  }
  Result<FileId> Identify(std::string_view name) override { return base_->Identify(name); }
  Result<std::uint64_t> FileSize(std::string_view name) override { return base_->FileSize(name); }
  Result<bool> LinkLeadsInside(std::string_view name, const Directory& ancestor) override {
    return base_->LinkLeadsInside(name, ancestor);
  }
  Result<std::unique_ptr<OutputFile>> CreateFile(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kCreate, Child(name)); !fault.ok()) return fault;
    return WrapOutput(base_->CreateFile(name), faults_);
  }

 private:
  std::string Child(std::string_view name) const { return JoinPath(path(), name); }

  Result<std::unique_ptr<Directory>> Wrap(Result<std::unique_ptr<Directory>> directory) {
    if (!directory.ok()) return directory;
    return std::unique_ptr<Directory>(new FaultyDirectory(std::move(directory.value()), faults_));
  }

  std::unique_ptr<Directory> base_;
  FaultyFileSystem& faults_;
};

}  // namespace

const char* OperationName(Operation operation) {
  switch (operation) {
    case Operation::kOpen:
      return "open";
    case Operation::kCreate:
      return "create";
    case Operation::kMakeDirectory:
      return "make directory";
    case Operation::kList:
      return "list";
    case Operation::kRead:
      return "read";
    case Operation::kWrite:
      return "write";
    case Operation::kCommit:
      return "commit";
  }
  return "?";
}

std::string FaultReason(Status::Code code) {
  switch (code) {
    case Status::Code::kNoSpace:
      return "No space left on device (injected)";
    case Status::Code::kPermission:
      return "Permission denied (injected)";
    default:
      return "Input/output error (injected)";
  }
}

void FaultyFileSystem::FailNth(Operation operation, std::size_t nth, Status::Code code) {
  std::lock_guard lock(mutex_);
  counts_ = {};
  operation_ = operation;
  nth_ = nth;
  code_ = code;
  fired_ = false;
}

std::size_t FaultyFileSystem::Count(Operation operation) const {
  std::lock_guard lock(mutex_);
  return counts_[static_cast<std::size_t>(operation)];
}

bool FaultyFileSystem::Fired() const {
  std::lock_guard lock(mutex_);
  return fired_;
}

Status FaultyFileSystem::Check(Operation operation, const std::string& path) {
  std::lock_guard lock(mutex_);
  const std::size_t count = ++counts_[static_cast<std::size_t>(operation)];
  if (nth_ == 0 || operation != operation_ || count != nth_) return Status::Ok();
  fired_ = true;
  return Status::Error(code_, "cannot " + std::string(OperationName(operation)) + " " + path +
                                  ": " + FaultReason(code_));
}

Result<std::unique_ptr<InputFile>> FaultyFileSystem::OpenForReading(const std::string& path) {
  if (Status fault = Check(Operation::kOpen, path); !fault.ok()) return fault;
  return WrapInput(base_.OpenForReading(path), *this, "");
}

Result<std::unique_ptr<Directory>> FaultyFileSystem::OpenDirectory(const std::string& path,
                                                                   bool create) {
  if (Status fault = Check(create ? Operation::kMakeDirectory : Operation::kOpen, path);
      !fault.ok()) {
    return fault;
  }
  Result<std::unique_ptr<Directory>> directory = base_.OpenDirectory(path, create);
  if (!directory.ok()) return directory;
  return std::unique_ptr<Directory>(new FaultyDirectory(std::move(directory.value()), *this));
}

Result<std::unique_ptr<OutputFile>> FaultyFileSystem::CreateReplacing(const std::string& path) {
  if (Status fault = Check(Operation::kCreate, path); !fault.ok()) return fault;
  return WrapOutput(base_.CreateReplacing(path), *this);
}

}  // namespace hxf::testing
