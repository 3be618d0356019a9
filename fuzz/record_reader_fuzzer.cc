// The record reader over arbitrary bytes. Besides not crashing, it must keep its own promises:
// every record it reports lies inside the input, offsets only move forward, no name is longer
// than the format allows (so nothing is allocated from an untrusted length), every step makes
// progress, an entry is handed out only when its data fit in the bytes left, the data it hands
// out are the input's own bytes, a corruption lies at the record where the scan stood, is of the
// kind the bytes there show, and nothing is handed out after it, and the checksum it sums is the
// one the format defines. The same input is read twice, once through the default buffer and once
// through a tiny buffer fed by short reads, and both readings must agree.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "core/package_format.h"
#include "core/record_reader.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/memory_file.h"

namespace {

using hxf::RecordReader;
using Step = RecordReader::Step;

// What a reading reports, in a form two readings can be compared by.
struct Trace {
  std::vector<std::string> events;
  std::uint32_t checksum = 0;
  bool operator==(const Trace&) const = default;
};

std::uint32_t DefinedChecksum(const std::uint8_t* data, std::size_t size) {
  if (size < hxf::format::kHeaderSize) return 0;
  std::uint32_t sum = 0;
  for (std::size_t at = hxf::format::kHeaderSize; at + 4 <= size; at += 4) {
    sum += static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
           static_cast<std::uint32_t>(data[at + 2]) << 16 |
           static_cast<std::uint32_t>(data[at + 3]) << 24;
  }
  return sum;
}

std::uint32_t U32At(const std::uint8_t* data, std::uint64_t at) {
  return hxf::DecodeU32(std::as_bytes(std::span<const std::uint8_t, 4>(data + at, 4)));
}

// A corruption lies at the record where the last step left off, inside the file, and is of the
// kind the bytes there show.
void CheckCorruption(const hxf::Corruption& corruption, std::uint64_t record,
                     const std::uint8_t* data, std::size_t size) {
  using Kind = hxf::Corruption::Kind;
  const std::uint64_t at = corruption.offset;
  HXF_FUZZ_CHECK(at == record);
  HXF_FUZZ_CHECK(at >= hxf::format::kHeaderSize && at < size);
  if (at + 4 > size) {
    HXF_FUZZ_CHECK(corruption.kind == Kind::kCutShort);
    return;
  }
  const std::uint32_t name_length = U32At(data, at);
  HXF_FUZZ_CHECK(name_length != 0);
  if (name_length > hxf::format::kMaxNameLength) {
    HXF_FUZZ_CHECK(corruption.kind == Kind::kNameLength);
    return;
  }
  const std::uint64_t data_offset = at + hxf::format::kRecordOverhead + name_length;
  if (data_offset > size) {
    HXF_FUZZ_CHECK(corruption.kind == Kind::kCutShort);
    return;
  }
  HXF_FUZZ_CHECK(corruption.kind == Kind::kDataPastEnd);
  HXF_FUZZ_CHECK(U32At(data, data_offset - 4) > size - data_offset);
}

Trace Read(const std::uint8_t* data, std::size_t size, std::size_t buffer_size,
           std::size_t max_read) {
  hxf::testing::Bytes bytes(size);
  if (size > 0) std::memcpy(bytes.data(), data, size);
  hxf::testing::MemoryInputFile file(std::move(bytes), max_read);
  RecordReader reader(file, buffer_size);
  Trace trace;

  std::uint64_t last_offset = 0;
  std::uint64_t next_record = hxf::format::kHeaderSize;  // where the record after the last ends
  // Every step consumes at least the 4-byte name length, so this many steps is always enough.
  const std::size_t max_steps = size / 4 + 2;
  for (std::size_t steps = 0;; ++steps) {
    HXF_FUZZ_CHECK(steps <= max_steps);
    hxf::Result<Step> step = reader.Next();
    HXF_FUZZ_CHECK(step.ok());  // memory never fails to read
    HXF_FUZZ_CHECK(reader.offset() <= size);
    HXF_FUZZ_CHECK(reader.offset() >= last_offset);
    // A step that lets the scan go on has consumed at least a length field.
    if (*step == Step::kEntry || *step == Step::kEndMarker) {
      HXF_FUZZ_CHECK(reader.offset() >= last_offset + 4);
    }
    last_offset = reader.offset();

    if (*step == Step::kEnd) {
      HXF_FUZZ_CHECK(size < hxf::format::kHeaderSize || reader.offset() == size);
      HXF_FUZZ_CHECK(!reader.corruption());
      break;
    }
    HXF_FUZZ_CHECK(reader.HeaderComplete());
    HXF_FUZZ_CHECK(reader.corruption().has_value() == (*step == Step::kCorrupt));
    if (*step == Step::kEndMarker) {
      HXF_FUZZ_CHECK(reader.offset() == next_record + 4);
      trace.events.push_back("end marker at " + std::to_string(next_record));
      next_record = reader.offset();
      continue;
    }
    if (*step == Step::kCorrupt) {
      CheckCorruption(*reader.corruption(), next_record, data, size);
      // The rest has been read and summed, and nothing more is handed out.
      HXF_FUZZ_CHECK(reader.offset() == size);
      HXF_FUZZ_CHECK(*reader.Next() == Step::kCorrupt);
      hxf::Result<std::span<const std::byte>> after = reader.ReadData();
      HXF_FUZZ_CHECK(after.ok() && after->empty());
      trace.events.push_back("corrupt " + hxf::Describe(*reader.corruption()));
      break;
    }

    HXF_FUZZ_CHECK(*step == Step::kEntry);
    const hxf::EntryRecord& entry = reader.entry();
    const std::size_t name_size = entry.name.size();
    HXF_FUZZ_CHECK(name_size >= 1 && name_size <= hxf::format::kMaxNameLength);
    HXF_FUZZ_CHECK(entry.name.capacity() <= 2 * hxf::format::kMaxNameLength + 64);
    HXF_FUZZ_CHECK(entry.offset == next_record);
    const std::uint64_t data_offset = entry.offset + hxf::format::kRecordOverhead + name_size;
    // An entry is only handed out when all its data are in the file.
    HXF_FUZZ_CHECK(data_offset + entry.data_length <= size);
    next_record = data_offset + entry.data_length;
    HXF_FUZZ_CHECK(reader.offset() == data_offset);
    HXF_FUZZ_CHECK(std::memcmp(entry.name.data(), data + entry.offset + 4, name_size) == 0);
    HXF_FUZZ_CHECK(entry.attribute == std::byte{data[entry.offset + 4 + name_size]});
    HXF_FUZZ_CHECK(entry.data_length == U32At(data, entry.offset + 5 + name_size));
    trace.events.push_back("entry at " + std::to_string(entry.offset) + " " + entry.name + " " +
                           std::to_string(entry.data_length));

    // Read the data of every other record and let Next() skip the rest.
    if (trace.events.size() % 2 == 0) continue;
    std::uint64_t got = 0;
    while (true) {
      hxf::Result<std::span<const std::byte>> chunk = reader.ReadData();
      HXF_FUZZ_CHECK(chunk.ok());  // the data were checked to be there
      if (chunk->empty()) break;
      HXF_FUZZ_CHECK(chunk->size() <= std::max(buffer_size, hxf::format::kHeaderSize));
      HXF_FUZZ_CHECK(data_offset + got + chunk->size() <= size);
      HXF_FUZZ_CHECK(std::memcmp(chunk->data(), data + data_offset + got, chunk->size()) == 0);
      got += chunk->size();
      HXF_FUZZ_CHECK(got <= entry.data_length);
      HXF_FUZZ_CHECK(reader.offset() == data_offset + got);
    }
    HXF_FUZZ_CHECK(got == entry.data_length);
  }
  // The header's fields are the input's own bytes, or nothing when the input is shorter.
  const bool header = size >= hxf::format::kHeaderSize;
  HXF_FUZZ_CHECK(reader.HeaderComplete() == header);
  HXF_FUZZ_CHECK(reader.header().size() == std::min(size, hxf::format::kHeaderSize));
  HXF_FUZZ_CHECK(reader.HeaderLengthField() == (header ? U32At(data, 20) : 0));
  HXF_FUZZ_CHECK(reader.HeaderChecksumField() == (header ? U32At(data, 24) : 0));
  HXF_FUZZ_CHECK(reader.MagicTextMatches() ==
                 (header && std::memcmp(data, "WADF0100200801291107", 20) == 0));
  HXF_FUZZ_CHECK(reader.HeaderTextsMatch() ==
                 (header && std::memcmp(data, "WADF0100200801291107", 20) == 0 &&
                  std::memcmp(data + 32, "Chinachip PMP firmware V1.0", 27) == 0));
  trace.checksum = reader.Checksum();
  if (reader.offset() == size) HXF_FUZZ_CHECK(trace.checksum == DefinedChecksum(data, size));
  return trace;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Trace whole = Read(data, size, 4096, SIZE_MAX);
  const Trace pieces = Read(data, size, 1, 1 + size % 7);
  HXF_FUZZ_CHECK(whole == pieces);
  return 0;
}
