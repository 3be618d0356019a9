#include "core/record_writer.h"

#include <array>
#include <string>

#include "core/byte_order.h"
#include "core/package_format.h"

namespace hxf {
namespace {

// Writes smaller than this are gathered: a tree of many small files then costs a few large
// writes instead of five tiny ones per record.
constexpr std::size_t kGatherLimit = 64 * 1024;

Status Misuse(std::string message) {
  return Status::Error(Status::Code::kInvalidArgument, std::move(message));
}

std::array<std::byte, 4> U32Bytes(std::uint32_t value) {
  std::array<std::byte, 4> bytes;
  EncodeU32(value, bytes);
  return bytes;
}

std::span<const std::byte> AsBytes(std::string_view text) {
  return std::as_bytes(std::span(text.data(), text.size()));
}

}  // namespace

RecordWriter::RecordWriter(OutputFile& file) : file_(file) {
  pending_.reserve(kGatherLimit);
}

Status RecordWriter::Start() {
  if (Status ready = Expect(State::kNew, "start"); !ready.ok()) return ready;
  // The placeholder is not part of the body: it bypasses the checksum.
  pending_.assign(format::kHeaderSize, std::byte{0});
  size_ = format::kHeaderSize;
  state_ = State::kBetweenEntries;
  return Status::Ok();
}

bool RecordWriter::Fits(std::size_t name_size, std::uint64_t data_length) const {
  const std::uint64_t after =
      size_ + format::kRecordOverhead + name_size + data_length + format::kEndMarkerSize;
  return data_length <= format::kMaxPackageSize && after <= format::kMaxPackageSize;
}

Status RecordWriter::BeginEntry(std::string_view name, std::uint64_t data_length) {
  if (Status ready = Expect(State::kBetweenEntries, "begin a record"); !ready.ok()) return ready;
  if (name.empty() || name.size() > format::kMaxNameLength) {
    return Misuse("a name of " + std::to_string(name.size()) + " bytes cannot be stored");
  }
  if (data_length > format::kMaxStoredFileSize) {
    return Misuse("a file of " + std::to_string(data_length) + " bytes cannot be stored");
  }
  if (!Fits(name.size(), data_length)) return Misuse("the package would reach 2 GiB");

  const auto name_length = U32Bytes(static_cast<std::uint32_t>(name.size()));
  const auto data_length_field = U32Bytes(static_cast<std::uint32_t>(data_length));
  const std::span<const std::byte> fields[] = {
      name_length, AsBytes(name), {&format::kAttributeByte, 1}, data_length_field};
  for (std::span<const std::byte> field : fields) {
    if (Status appended = Append(field); !appended.ok()) return appended;
  }
  data_left_ = data_length;
  state_ = State::kInEntry;
  return Status::Ok();
}

Status RecordWriter::WriteData(std::span<const std::byte> bytes) {
  if (Status ready = Expect(State::kInEntry, "write data"); !ready.ok()) return ready;
  if (bytes.size() > data_left_) return Misuse("more data than the record declared");
  data_left_ -= bytes.size();
  return Append(bytes);
}

Status RecordWriter::FinishEntry() {
  if (Status ready = Expect(State::kInEntry, "finish a record"); !ready.ok()) return ready;
  if (data_left_ != 0) return Misuse("less data than the record declared");
  state_ = State::kBetweenEntries;
  return Status::Ok();
}

Status RecordWriter::WriteEndMarker() {
  if (Status ready = Expect(State::kBetweenEntries, "end the records"); !ready.ok()) return ready;
  if (Status appended = Append(U32Bytes(0)); !appended.ok()) return appended;
  if (Status flushed = Flush(); !flushed.ok()) return flushed;
  state_ = State::kEnded;
  return Status::Ok();
}

Status RecordWriter::WriteHeader() {
  if (Status ready = Expect(State::kEnded, "write the header"); !ready.ok()) return ready;
  std::array<std::byte, format::kHeaderSize> header{};
  auto put = [&](std::size_t offset, std::span<const std::byte> bytes) {
    std::copy(bytes.begin(), bytes.end(), header.begin() + static_cast<std::ptrdiff_t>(offset));
  };
  put(format::kMagicOffset, AsBytes(format::kMagicText));
  put(format::kLengthOffset, U32Bytes(static_cast<std::uint32_t>(size_)));
  put(format::kChecksumOffset, U32Bytes(checksum_.value()));
  put(format::kDescriptionOffset, AsBytes(format::kDescriptionText));
  if (Status written = file_.WriteAt(0, header); !written.ok()) return Failed(written);
  state_ = State::kDone;
  return Status::Ok();
}

Status RecordWriter::Expect(State state, std::string_view action) {
  if (state_ == state) return Status::Ok();
  if (state_ == State::kFailed) {
    return Status::Error(Status::Code::kIoError, "the package could not be written");
  }
  return Misuse("cannot " + std::string(action) + " at this point of the package");
}

Status RecordWriter::Append(std::span<const std::byte> bytes) {
  checksum_.Update(bytes);
  size_ += bytes.size();
  if (pending_.size() + bytes.size() <= kGatherLimit) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    return Status::Ok();
  }
  if (Status flushed = Flush(); !flushed.ok()) return flushed;
  if (bytes.size() < kGatherLimit) {
    pending_.assign(bytes.begin(), bytes.end());
    return Status::Ok();
  }
  if (Status written = file_.Write(bytes); !written.ok()) return Failed(written);
  return Status::Ok();
}

Status RecordWriter::Flush() {
  if (pending_.empty()) return Status::Ok();
  Status written = file_.Write(pending_);
  pending_.clear();
  return written.ok() ? written : Failed(written);
}

Status RecordWriter::Failed(Status status) {
  state_ = State::kFailed;
  return status;
}

}  // namespace hxf
