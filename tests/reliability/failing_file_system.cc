#include "tests/reliability/failing_file_system.h"

namespace hxf::testing {
namespace {

class FailingInputFile final : public InputFile {
 public:
  FailingInputFile(std::unique_ptr<InputFile> base, FailingFileSystem& faults)
      : base_(std::move(base)), faults_(faults) {}

  Result<std::size_t> Read(std::span<std::byte> buffer) override {
    if (Status fault = faults_.Check(Operation::kRead, path()); !fault.ok()) return fault;
    return base_->Read(buffer);
  }
  Status Seek(std::uint64_t offset) override { return base_->Seek(offset); }
  std::uint64_t size() const override { return base_->size(); }
  FileId id() const override { return base_->id(); }
  const std::string& path() const override { return base_->path(); }

 private:
  std::unique_ptr<InputFile> base_;
  FailingFileSystem& faults_;
};

class FailingOutputFile final : public OutputFile {
 public:
  FailingOutputFile(std::unique_ptr<OutputFile> base, FailingFileSystem& faults)
      : base_(std::move(base)), faults_(faults) {}

  Status Write(std::span<const std::byte> bytes) override {
    if (Status fault = faults_.Check(Operation::kWrite, path()); !fault.ok()) return fault;
    return base_->Write(bytes);
  }
  Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) override {
    if (Status fault = faults_.Check(Operation::kWrite, path()); !fault.ok()) return fault;
    return base_->WriteAt(offset, bytes);
  }
  Status Commit() override {
    if (Status fault = faults_.Check(Operation::kCommit, path()); !fault.ok()) return fault;
    return base_->Commit();
  }
  FileId id() const override { return base_->id(); }
  const std::string& path() const override { return base_->path(); }

 private:
  std::unique_ptr<OutputFile> base_;
  FailingFileSystem& faults_;
};

template <class T, class Wrapper>
Result<std::unique_ptr<T>> Wrap(Result<std::unique_ptr<T>> opened, FailingFileSystem& faults) {
  if (!opened.ok()) return opened;
  return std::unique_ptr<T>(new Wrapper(std::move(opened.value()), faults));
}

class FailingDirectory final : public Directory {
 public:
  FailingDirectory(std::unique_ptr<Directory> base, FailingFileSystem& faults)
      : base_(std::move(base)), faults_(faults) {}

  const std::string& path() const override { return base_->path(); }
  FileId id() const override { return base_->id(); }

  Result<std::vector<DirectoryEntry>> List() override {
    if (Status fault = faults_.Check(Operation::kList, path()); !fault.ok()) return fault;
    return base_->List();
  }
  Result<std::unique_ptr<Directory>> OpenSubdirectory(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kOpen, Child(name)); !fault.ok()) return fault;
    return Wrap<Directory, FailingDirectory>(base_->OpenSubdirectory(name), faults_);
  }
  Result<std::unique_ptr<Directory>> MakeSubdirectory(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kMakeDirectory, Child(name)); !fault.ok()) {
      return fault;
    }
    return Wrap<Directory, FailingDirectory>(base_->MakeSubdirectory(name), faults_);
  }
  Result<std::unique_ptr<InputFile>> OpenFile(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kOpen, Child(name)); !fault.ok()) return fault;
    return Wrap<InputFile, FailingInputFile>(base_->OpenFile(name), faults_);
  }
  Result<FileId> Identify(std::string_view name) override { return base_->Identify(name); }
  Result<bool> LinkLeadsInside(std::string_view name, const Directory& ancestor) override {
    return base_->LinkLeadsInside(name, ancestor);
  }
  Result<std::unique_ptr<OutputFile>> CreateFile(std::string_view name) override {
    if (Status fault = faults_.Check(Operation::kCreate, Child(name)); !fault.ok()) return fault;
    return Wrap<OutputFile, FailingOutputFile>(base_->CreateFile(name), faults_);
  }

 private:
  std::string Child(std::string_view name) const { return path() + "/" + std::string(name); }

  std::unique_ptr<Directory> base_;
  FailingFileSystem& faults_;
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

void FailingFileSystem::FailNth(Operation operation, std::size_t nth, Status::Code code) {
  std::lock_guard lock(mutex_);
  counts_ = {};
  operation_ = operation;
  nth_ = nth;
  code_ = code;
  fired_ = false;
}

std::size_t FailingFileSystem::Count(Operation operation) const {
  std::lock_guard lock(mutex_);
  return counts_[static_cast<std::size_t>(operation)];
}

bool FailingFileSystem::Fired() const {
  std::lock_guard lock(mutex_);
  return fired_;
}

Status FailingFileSystem::Check(Operation operation, const std::string& path) {
  std::lock_guard lock(mutex_);
  const std::size_t count = ++counts_[static_cast<std::size_t>(operation)];
  if (nth_ == 0 || operation != operation_ || count != nth_) return Status::Ok();
  fired_ = true;
  return Status::Error(code_, "cannot " + std::string(OperationName(operation)) + " " + path +
                                  ": " + FaultReason(code_));
}

Result<std::unique_ptr<InputFile>> FailingFileSystem::OpenForReading(const std::string& path) {
  if (Status fault = Check(Operation::kOpen, path); !fault.ok()) return fault;
  return Wrap<InputFile, FailingInputFile>(base_.OpenForReading(path), *this);
}

Result<std::unique_ptr<Directory>> FailingFileSystem::OpenDirectory(const std::string& path,
                                                                    bool create) {
  if (Status fault = Check(create ? Operation::kMakeDirectory : Operation::kOpen, path);
      !fault.ok()) {
    return fault;
  }
  return Wrap<Directory, FailingDirectory>(base_.OpenDirectory(path, create), *this);
}

Result<std::unique_ptr<OutputFile>> FailingFileSystem::CreateReplacing(const std::string& path) {
  if (Status fault = Check(Operation::kCreate, path); !fault.ok()) return fault;
  return Wrap<OutputFile, FailingOutputFile>(base_.CreateReplacing(path), *this);
}

}  // namespace hxf::testing
