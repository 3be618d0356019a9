#include "pack/folder_package.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>

#include "core/package_format.h"
#include "core/record_writer.h"

namespace hxf {

// A bounded buffer between one writing thread and one reading thread.
class BytePipe {
 public:
  static constexpr std::size_t kCapacity = 1024 * 1024;

  // Waits for room; fails once the reader has gone.
  Status Write(std::span<const std::byte> bytes) {
    std::unique_lock lock(mutex_);
    while (!bytes.empty()) {
      changed_.wait(lock, [&] { return count_ < ring_.size() || abandoned_; });
      if (abandoned_) return Status::Error(Status::Code::kCancelled, "the reader has gone");
      const std::size_t tail = (head_ + count_) % ring_.size();
      const std::size_t size = std::min({bytes.size(), ring_.size() - count_, ring_.size() - tail});
      std::memcpy(ring_.data() + tail, bytes.data(), size);
      count_ += size;
      bytes = bytes.subspan(size);
      changed_.notify_all();
    }
    return Status::Ok();
  }

  // Waits for bytes; 0 once the writer has closed the pipe with success, its failure otherwise.
  Result<std::size_t> Read(std::span<std::byte> out) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return count_ > 0 || closed_; });
    if (count_ == 0) {
      if (!why_closed_.ok()) return why_closed_;
      return std::size_t{0};
    }
    const std::size_t size = std::min({out.size(), count_, ring_.size() - head_});
    std::memcpy(out.data(), ring_.data() + head_, size);
    head_ = (head_ + size) % ring_.size();
    count_ -= size;
    changed_.notify_all();
    return size;
  }

  void Close(Status why) {
    std::lock_guard lock(mutex_);
    closed_ = true;
    why_closed_ = std::move(why);
    changed_.notify_all();
  }
  void Abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
  }
  bool abandoned() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::byte> ring_ = std::vector<std::byte>(kCapacity);
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  bool closed_ = false;
  bool abandoned_ = false;
  Status why_closed_;
};

namespace {

class PipeOutput final : public OutputFile {
 public:
  PipeOutput(std::shared_ptr<BytePipe> pipe, std::string path)
      : pipe_(std::move(pipe)), path_(std::move(path)) {}
  Status Write(std::span<const std::byte> bytes) override { return pipe_->Write(bytes); }
  Status WriteAt(std::uint64_t, std::span<const std::byte>) override { return NotHere(); }
  Status Commit(const StopRequest&) override { return NotHere(); }
  FileId id() const override { return {}; }
  const std::string& path() const override { return path_; }

 private:
  Status NotHere() const {
    return Status::Error(Status::Code::kInvalidArgument, path_ + ": a stream has no header");
  }
  std::shared_ptr<BytePipe> pipe_;
  std::string path_;
};

class PipeInput final : public InputFile {
 public:
  PipeInput(std::shared_ptr<BytePipe> pipe, std::string path, FileId id)
      : pipe_(std::move(pipe)), path_(std::move(path)), id_(id) {}
  Result<std::size_t> Read(std::span<std::byte> buffer) override { return pipe_->Read(buffer); }
  Status Seek(std::uint64_t) override {
    return Status::Error(Status::Code::kInvalidArgument, path_ + ": a stream cannot seek");
  }
  // Not known before the end: no record can run past it.
  std::uint64_t size() const override { return format::kMaxPackageSize; }
  FileId id() const override { return id_; }
  const std::string& path() const override { return path_; }

 private:
  std::shared_ptr<BytePipe> pipe_;
  std::string path_;
  FileId id_;
};

}  // namespace

FolderPackage::FolderPackage(std::unique_ptr<Directory> folder, PackSettings settings)
    : folder_(std::move(folder)),
      settings_(std::move(settings)),
      pipe_(std::make_shared<BytePipe>()),
      output_(std::make_unique<PipeOutput>(pipe_, folder_->path())),
      input_(std::make_unique<PipeInput>(pipe_, folder_->path(), folder_->id())),
      thread_([this] { Run(); }) {}

FolderPackage::~FolderPackage() {
  pipe_->Abandon();
  thread_.join();
}

void FolderPackage::Run() {
  RecordWriter writer(*output_);
  Status status = writer.Start();
  if (status.ok()) {
    Result<PackTotals> packed = PackDirectory(*this, writer, *folder_, settings_);
    status = packed.ok() ? writer.WriteEndMarker() : packed.status();
    if (packed.ok()) {
      std::lock_guard lock(mutex_);
      hidden_ = packed->hidden;
    }
  }
  pipe_->Close(std::move(status));
}

void FolderPackage::Report(std::string text, LogKind kind) {
  if (kind != LogKind::kProblem) return;
  std::lock_guard lock(mutex_);
  problems_.push_back(std::move(text));
}

bool FolderPackage::StopRequested() const {
  return pipe_->abandoned();
}

std::uint64_t FolderPackage::Hidden() const {
  std::lock_guard lock(mutex_);
  return hidden_;
}

std::vector<std::string> FolderPackage::Problems() const {
  std::lock_guard lock(mutex_);
  return problems_;
}

}  // namespace hxf
