#include "core/record_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "core/byte_order.h"
#include "core/package_format.h"
#include "tests/support/package_bytes.h"

namespace hxf {
namespace {

using testing::Bytes;
using testing::ToBytes;
using Code = Status::Code;

// An OutputFile in memory that counts its writes; it can stop storing bytes past a size (to reach
// package sizes no test should hold) and fail from a given write on.
class MemoryOutputFile final : public OutputFile {
 public:
  Status Write(std::span<const std::byte> bytes) override {
    ++writes;
    if (fail_from_write && writes >= *fail_from_write) return Failure();
    const std::uint64_t room = keep_up_to - std::min(size, keep_up_to);
    bytes_.insert(
        bytes_.end(), bytes.begin(),
        bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(room, bytes.size())));
    size += bytes.size();
    return Status::Ok();
  }
  Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) override {
    if (fail_write_at) return Failure();
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return Status::Ok();
  }
  Status Commit(const StopRequest& stop) override {
    return StopAsked(stop) ? CommitStopped(path_) : Status::Ok();
  }
  FileId id() const override { return {}; }
  const std::string& path() const override { return path_; }

  const Bytes& bytes() const { return bytes_; }

  std::uint64_t size = 0;
  int writes = 0;
  std::uint64_t keep_up_to = UINT64_MAX;
  std::optional<int> fail_from_write;
  bool fail_write_at = false;

 private:
  static Status Failure() { return Status::Error(Code::kNoSpace, "cannot write memory.hxf: full"); }

  Bytes bytes_;
  std::string path_ = "memory.hxf";
};

// Writes `entries` through a writer, each entry's data in chunks of at most `chunk` bytes.
Bytes WritePackage(const std::vector<testing::TestEntry>& entries, std::size_t chunk = 4096) {
  MemoryOutputFile file;
  RecordWriter writer(file);
  EXPECT_TRUE(writer.Start().ok());
  for (const testing::TestEntry& entry : entries) {
    EXPECT_TRUE(writer.BeginEntry(entry.name, entry.data.size()).ok());
    const Bytes data = ToBytes(entry.data);
    for (std::size_t at = 0; at < data.size(); at += chunk) {
      const std::size_t size = std::min(chunk, data.size() - at);
      EXPECT_TRUE(writer.WriteData(std::span(data).subspan(at, size)).ok());
    }
    EXPECT_TRUE(writer.FinishEntry().ok());
  }
  EXPECT_TRUE(writer.WriteEndMarker().ok());
  EXPECT_TRUE(writer.WriteHeader().ok());
  EXPECT_EQ(writer.size(), file.bytes().size());
  return file.bytes();
}

std::uint32_t HeaderField(const Bytes& package, std::size_t offset) {
  return DecodeU32(std::span(package).subspan(offset).first<4>());
}

TEST(RecordWriter, WritesTheWorkedExamplesByteForByte) {
  struct Case {
    std::vector<testing::TestEntry> entries;
    std::size_t size;
    std::uint32_t checksum;
  };
  const Case cases[] = {
      {{}, 68, 0},
      {{{"a.txt", "abc"}}, 85, 0xDAD84F3D},
      {{{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}}, 105, 0xBB483C9D},
  };
  for (const Case& c : cases) {
    for (std::size_t chunk : {1, 2, 3, 4096}) {
      const Bytes package = WritePackage(c.entries, chunk);
      EXPECT_EQ(package, testing::BuildPackage(c.entries)) << c.size << " chunk " << chunk;
      EXPECT_EQ(package.size(), c.size);
      EXPECT_EQ(HeaderField(package, format::kLengthOffset), c.size);
      EXPECT_EQ(HeaderField(package, format::kChecksumOffset), c.checksum);
    }
  }
}

TEST(RecordWriter, ChecksumOfLargeUnalignedRecordsMatchesTheDefinition) {
  std::mt19937 random(7);
  std::vector<testing::TestEntry> entries;
  for (std::size_t size : {0u, 1u, 65535u, 65536u, 200001u, 3u}) {
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>(random());
    entries.push_back({"dir\\file" + std::to_string(size) + ".bin", data});
  }
  const Bytes package = WritePackage(entries, 100 * 1024);
  EXPECT_EQ(package, testing::BuildPackage(entries));
  EXPECT_EQ(HeaderField(package, format::kChecksumOffset), testing::ReferenceChecksum(package));
}

TEST(RecordWriter, GathersSmallRecordsIntoFewWrites) {
  MemoryOutputFile file;
  RecordWriter writer(file);
  ASSERT_TRUE(writer.Start().ok());
  const Bytes data = ToBytes("0123456789");
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(writer.BeginEntry("file" + std::to_string(i), data.size()).ok());
    ASSERT_TRUE(writer.WriteData(data).ok());
    ASSERT_TRUE(writer.FinishEntry().ok());
  }
  ASSERT_TRUE(writer.WriteEndMarker().ok());
  EXPECT_LE(file.writes, 2);  // 5,000 fields and chunks, about 24 KB
}

TEST(RecordWriter, RefusesWhatARecordCannotHold) {
  constexpr std::uint64_t kLargest =
      format::kMaxPackageSize - format::kEmptyPackageSize - format::kRecordOverhead - 3;
  struct Case {
    std::string name;
    std::uint64_t data_length;
    bool accepted;
  };
  const Case cases[] = {
      {"", 0, false},
      {std::string(400, 'n'), 0, true},
      {std::string(401, 'n'), 0, false},
      // The largest file one package can hold: all of it but the header, this record's fields
      // and the end marker.
      {"big", kLargest, true},
      {"big", kLargest + 1, false},
      {"big", format::kMaxStoredFileSize + 1, false},
  };
  for (const Case& c : cases) {
    MemoryOutputFile file;
    RecordWriter writer(file);
    ASSERT_TRUE(writer.Start().ok());
    const Status status = writer.BeginEntry(c.name, c.data_length);
    EXPECT_EQ(status.ok(), c.accepted) << c.name.size() << " " << c.data_length;
    if (!c.accepted) {
      EXPECT_EQ(status.code(), Code::kInvalidArgument);
    }
  }
}

TEST(RecordWriter, HoldsEachRecordToItsDeclaredLength) {
  MemoryOutputFile file;
  RecordWriter writer(file);
  ASSERT_TRUE(writer.Start().ok());
  ASSERT_TRUE(writer.BeginEntry("a", 3).ok());
  EXPECT_EQ(writer.WriteData(ToBytes("abcd")).code(), Code::kInvalidArgument);
  ASSERT_TRUE(writer.WriteData(ToBytes("ab")).ok());
  EXPECT_EQ(writer.FinishEntry().code(), Code::kInvalidArgument);
  EXPECT_EQ(writer.WriteEndMarker().code(), Code::kInvalidArgument);
  ASSERT_TRUE(writer.WriteData(ToBytes("c")).ok());
  EXPECT_TRUE(writer.FinishEntry().ok());
  EXPECT_EQ(writer.WriteData(ToBytes("x")).code(), Code::kInvalidArgument);
}

// Readers handle positions as signed 32-bit values.
TEST(RecordWriter, KeepsThePackageBelow2GiB) {
  MemoryOutputFile file;
  file.keep_up_to = 1024;
  RecordWriter writer(file);
  ASSERT_TRUE(writer.Start().ok());
  constexpr std::uint64_t kFirst = std::uint64_t{1} << 30;
  ASSERT_TRUE(writer.BeginEntry("a", kFirst).ok());
  const Bytes zeros(1 << 20);
  for (std::uint64_t left = kFirst; left > 0; left -= zeros.size()) {
    ASSERT_TRUE(writer.WriteData(zeros).ok());
  }
  ASSERT_TRUE(writer.FinishEntry().ok());
  // What is left below 2 GiB, less this record's fields (1-byte name) and the end marker.
  const std::uint64_t room = format::kMaxPackageSize - writer.size() - format::kRecordOverhead - 1 -
                             format::kEndMarkerSize;
  EXPECT_LT(room, kFirst);
  EXPECT_TRUE(writer.Fits(1, room));
  EXPECT_FALSE(writer.Fits(1, room + 1));
  EXPECT_EQ(writer.BeginEntry("b", room + 1).code(), Code::kInvalidArgument);
  EXPECT_TRUE(writer.BeginEntry("b", room).ok());
}

TEST(RecordWriter, AFailedWriteEndsThePackage) {
  MemoryOutputFile file;
  file.fail_from_write = 1;
  RecordWriter writer(file);
  ASSERT_TRUE(writer.Start().ok());
  ASSERT_TRUE(writer.BeginEntry("big.bin", 1 << 20).ok());
  const Bytes data(1 << 20);
  EXPECT_EQ(writer.WriteData(data).code(), Code::kNoSpace);
  file.fail_from_write.reset();
  EXPECT_FALSE(writer.WriteData(data).ok());
  EXPECT_FALSE(writer.FinishEntry().ok());
  EXPECT_FALSE(writer.WriteEndMarker().ok());
  EXPECT_FALSE(writer.WriteHeader().ok());
}

TEST(RecordWriter, AFailedHeaderIsReported) {
  MemoryOutputFile file;
  file.fail_write_at = true;
  RecordWriter writer(file);
  ASSERT_TRUE(writer.Start().ok());
  ASSERT_TRUE(writer.WriteEndMarker().ok());
  EXPECT_EQ(writer.WriteHeader().code(), Code::kNoSpace);
}

}  // namespace
}  // namespace hxf
