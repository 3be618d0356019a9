#include "core/record_reader.h"

#include <algorithm>
#include <cstring>

#include "core/byte_order.h"

namespace hxf {

std::string Describe(const Corruption& corruption) {
  const std::string at = std::to_string(corruption.offset);
  switch (corruption.kind) {
    case Corruption::Kind::kNameLength:
      return "name length over " + std::to_string(format::kMaxNameLength) + " at offset " + at;
    case Corruption::Kind::kCutShort:
      return "the file ends inside the record at offset " + at;
    case Corruption::Kind::kDataPastEnd:
      return "the file ends inside the data of the record at offset " + at;
  }
  return "corrupt record at offset " + at;
}

RecordReader::RecordReader(InputFile& file, std::size_t buffer_size)
    : file_(file), buffer_(std::max<std::size_t>(buffer_size, format::kHeaderSize)) {}

Status RecordReader::Refill() {
  // Only ever called once everything buffered has been taken: each read fills the whole buffer.
  buffer_begin_ = buffer_end_ = 0;
  Result<std::size_t> got = file_.Read(buffer_);
  if (!got.ok()) return got.status();
  buffer_end_ = *got;
  return Status::Ok();
}

std::span<const std::byte> RecordReader::Take(std::size_t max) {
  const std::size_t count = std::min(max, buffer_end_ - buffer_begin_);
  const std::span<const std::byte> taken(buffer_.data() + buffer_begin_, count);
  buffer_begin_ += count;
  offset_ += count;
  if (header_read_) checksum_.Update(taken);
  return taken;
}

Result<std::size_t> RecordReader::ReadExact(std::span<std::byte> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    if (buffer_begin_ == buffer_end_) {
      if (Status status = Refill(); !status.ok()) return status;
      if (buffer_begin_ == buffer_end_) break;  // end of file
    }
    const std::span<const std::byte> taken = Take(out.size() - done);
    std::memcpy(out.data() + done, taken.data(), taken.size());
    done += taken.size();
  }
  return done;
}

std::uint64_t RecordReader::BytesLeft() const {
  return file_.size() > offset_ ? file_.size() - offset_ : 0;
}

Result<RecordReader::Step> RecordReader::Corrupt(Corruption::Kind kind,
                                                 std::uint64_t record_offset) {
  corruption_ = Corruption{kind, record_offset};
  data_left_ = 0;
  if (Status read = ReadToEnd(); !read.ok()) return read;
  return Step::kCorrupt;
}

Result<RecordReader::Step> RecordReader::Next() {
  if (corruption_) return Step::kCorrupt;
  if (!header_read_) {
    Result<std::size_t> got = ReadExact(header_);
    if (!got.ok()) return got.status();
    header_size_ = *got;
    header_read_ = true;
    if (!HeaderComplete()) return Step::kEnd;
  }
  if (Status skipped = SkipData(); !skipped.ok()) {
    if (corruption_) return Step::kCorrupt;
    return skipped;
  }

  const std::uint64_t record_offset = offset_;
  std::byte length_field[4];
  Result<std::size_t> got = ReadExact(length_field);
  if (!got.ok()) return got.status();
  if (*got == 0) return Step::kEnd;
  if (*got < 4) return Corrupt(Corruption::Kind::kCutShort, record_offset);
  const std::uint32_t name_length = DecodeU32(length_field);
  if (name_length == 0) return Step::kEndMarker;
  if (name_length > format::kMaxNameLength) {
    return Corrupt(Corruption::Kind::kNameLength, record_offset);
  }

  entry_.offset = record_offset;
  entry_.name.resize(name_length);
  got = ReadExact(std::as_writable_bytes(std::span(entry_.name)));
  if (!got.ok()) return got.status();
  if (*got < name_length) return Corrupt(Corruption::Kind::kCutShort, record_offset);

  std::byte fields[5];  // attribute byte, data length
  got = ReadExact(fields);
  if (!got.ok()) return got.status();
  if (*got < sizeof fields) return Corrupt(Corruption::Kind::kCutShort, record_offset);
  entry_.attribute = fields[0];
  entry_.data_length = DecodeU32(std::span(fields).subspan<1, 4>());
  // Checked before the record is handed out, so that no output file is started for data that
  // are not there.
  if (entry_.data_length > BytesLeft()) {
    return Corrupt(Corruption::Kind::kDataPastEnd, record_offset);
  }
  data_left_ = entry_.data_length;
  return Step::kEntry;
}

Result<std::span<const std::byte>> RecordReader::ReadData() {
  if (data_left_ == 0) return std::span<const std::byte>();
  if (buffer_begin_ == buffer_end_) {
    if (Status status = Refill(); !status.ok()) return status;
    if (buffer_begin_ == buffer_end_) {
      // The size said the data were there: the file has shrunk since it was opened.
      corruption_ = Corruption{Corruption::Kind::kDataPastEnd, entry_.offset};
      data_left_ = 0;
      return Status::Error(Status::Code::kCorruption, file_.path() + ": " + Describe(*corruption_));
    }
  }
  const std::span<const std::byte> chunk = Take(
      static_cast<std::size_t>(std::min<std::uint64_t>(data_left_, buffer_end_ - buffer_begin_)));
  data_left_ -= chunk.size();
  return chunk;
}

Status RecordReader::SkipData() {
  while (data_left_ > 0) {
    Result<std::span<const std::byte>> chunk = ReadData();
    if (!chunk.ok()) return chunk.status();
  }
  return Status::Ok();
}

Status RecordReader::ReadToEnd() {
  while (true) {
    Take(buffer_end_ - buffer_begin_);
    if (Status status = Refill(); !status.ok()) return status;
    if (buffer_begin_ == buffer_end_) return Status::Ok();
  }
}

Status RecordReader::ReadAround(std::span<std::byte> out) {
  while (!out.empty()) {
    Result<std::size_t> got = file_.Read(out);
    if (!got.ok()) return got.status();
    if (*got == 0) {
      return Status::Error(Status::Code::kCorruption, file_.path() + ": the file ends early");
    }
    out = out.subspan(*got);
  }
  return Status::Ok();
}

Result<std::string> RecordReader::NameAt(std::uint64_t record_offset) {
  // The file stands just after what the buffer holds, and goes back there.
  const std::uint64_t file_position = offset_ + (buffer_end_ - buffer_begin_);
  auto read_name = [&]() -> Result<std::string> {
    if (Status moved = file_.Seek(record_offset); !moved.ok()) return moved;
    std::byte length_field[4];
    if (Status read = ReadAround(length_field); !read.ok()) return read;
    const std::uint32_t length = DecodeU32(length_field);
    if (length == 0 || length > format::kMaxNameLength) {
      return Status::Error(Status::Code::kCorruption,
                           file_.path() + ": no name at offset " + std::to_string(record_offset));
    }
    std::string name(length, '\0');
    if (Status read = ReadAround(std::as_writable_bytes(std::span(name))); !read.ok()) return read;
    return name;
  };
  Result<std::string> name = read_name();
  if (Status back = file_.Seek(file_position); !back.ok()) return back;
  return name;
}

bool RecordReader::MagicTextMatches() const {
  return HeaderComplete() && std::memcmp(header_.data() + format::kMagicOffset,
                                         format::kMagicText.data(), format::kMagicText.size()) == 0;
}

bool RecordReader::DescriptionTextMatches() const {
  return HeaderComplete() &&
         std::memcmp(header_.data() + format::kDescriptionOffset, format::kDescriptionText.data(),
                     format::kDescriptionText.size()) == 0;
}

std::uint32_t RecordReader::HeaderLengthField() const {
  if (!HeaderComplete()) return 0;
  return DecodeU32(std::span(header_).subspan<format::kLengthOffset, 4>());
}

std::uint32_t RecordReader::HeaderChecksumField() const {
  if (!HeaderComplete()) return 0;
  return DecodeU32(std::span(header_).subspan<format::kChecksumOffset, 4>());
}

}  // namespace hxf
