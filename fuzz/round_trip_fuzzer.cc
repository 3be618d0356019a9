// Whatever the reader accepts, the writer can write back, and the reader then reads the same
// records from a package whose header is right. The records taken are those before the first one
// that cannot be followed (a bad name length, or a record cut short); end markers in between are
// padding and are not carried over.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/record_reader.h"
#include "core/record_writer.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/read_record_data.h"
#include "tests/support/memory_file.h"

namespace {

using hxf::testing::Bytes;

struct Record {
  std::string name;
  std::string data;
  bool operator==(const Record&) const = default;
};

// An OutputFile in memory; Commit only marks it done.
class MemoryOutputFile final : public hxf::OutputFile {
 public:
  hxf::Status Write(std::span<const std::byte> bytes) override {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return hxf::Status::Ok();
  }
  hxf::Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) override {
    HXF_FUZZ_CHECK(offset + bytes.size() <= bytes_.size());  // the writer only overwrites
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return hxf::Status::Ok();
  }
  hxf::Status Commit(const hxf::StopRequest& stop) override {
    return hxf::StopAsked(stop) ? hxf::CommitStopped(path_) : hxf::Status::Ok();
  }
  hxf::FileId id() const override { return {}; }
  const std::string& path() const override { return path_; }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::string path_ = "memory.hxf";
};

// The records the reader gives for `bytes`, up to the first one it cannot follow.
std::vector<Record> ReadRecords(const Bytes& bytes, std::size_t buffer_size) {
  hxf::testing::MemoryInputFile file(bytes);
  hxf::RecordReader reader(file, buffer_size);
  std::vector<Record> records;
  while (true) {
    hxf::Result<hxf::RecordReader::Step> step = reader.Next();
    HXF_FUZZ_CHECK(step.ok());
    HXF_FUZZ_CHECK(reader.corruption().has_value() == (*step == hxf::RecordReader::Step::kCorrupt));
    if (*step == hxf::RecordReader::Step::kEndMarker) continue;
    if (*step != hxf::RecordReader::Step::kEntry) break;
    Record record{reader.entry().name, {}};
    HXF_FUZZ_CHECK(ReadRecordData(reader, record.data));  // an entry's data are all there
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto* first = reinterpret_cast<const std::byte*>(data);
  const std::vector<Record> records = ReadRecords(Bytes(first, first + size), 4096);

  MemoryOutputFile out;
  hxf::RecordWriter writer(out);
  HXF_FUZZ_CHECK(writer.Start().ok());
  for (const Record& record : records) {
    HXF_FUZZ_CHECK(writer.BeginEntry(record.name, record.data.size()).ok());
    // Two pieces, to exercise the writer's gathering across calls.
    const auto bytes = std::as_bytes(std::span(record.data.data(), record.data.size()));
    const std::size_t half = bytes.size() / 2;
    HXF_FUZZ_CHECK(writer.WriteData(bytes.first(half)).ok());
    HXF_FUZZ_CHECK(writer.WriteData(bytes.subspan(half)).ok());
    HXF_FUZZ_CHECK(writer.FinishEntry().ok());
  }
  HXF_FUZZ_CHECK(writer.WriteEndMarker().ok());
  HXF_FUZZ_CHECK(writer.WriteHeader().ok());
  HXF_FUZZ_CHECK(writer.size() == out.bytes().size());

  // The package written is exactly the layout: header, records, end marker.
  std::uint64_t expected_size = 64 + 4;
  for (const Record& record : records) expected_size += 9 + record.name.size() + record.data.size();
  HXF_FUZZ_CHECK(out.bytes().size() == expected_size);

  hxf::testing::MemoryInputFile file(out.bytes());
  hxf::RecordReader reader(file, 64);
  std::vector<Record> again;
  std::size_t end_markers = 0;
  while (true) {
    hxf::Result<hxf::RecordReader::Step> step = reader.Next();
    HXF_FUZZ_CHECK(step.ok());
    if (*step == hxf::RecordReader::Step::kEnd) break;
    if (*step == hxf::RecordReader::Step::kEndMarker) {
      ++end_markers;
      continue;
    }
    HXF_FUZZ_CHECK(*step == hxf::RecordReader::Step::kEntry);
    HXF_FUZZ_CHECK(reader.entry().attribute == std::byte{0x20});
    Record record{reader.entry().name, {}};
    while (true) {
      hxf::Result<std::span<const std::byte>> chunk = reader.ReadData();
      HXF_FUZZ_CHECK(chunk.ok());
      if (chunk->empty()) break;
      record.data.append(reinterpret_cast<const char*>(chunk->data()), chunk->size());
    }
    again.push_back(std::move(record));
  }
  HXF_FUZZ_CHECK(end_markers == 1);
  HXF_FUZZ_CHECK(!reader.corruption());
  HXF_FUZZ_CHECK(again == records);
  HXF_FUZZ_CHECK(reader.HeaderTextsMatch());
  HXF_FUZZ_CHECK(reader.HeaderLengthField() == out.bytes().size());
  HXF_FUZZ_CHECK(reader.HeaderChecksumField() == reader.Checksum());
  HXF_FUZZ_CHECK(reader.HeaderChecksumField() == writer.checksum());
  return 0;
}
