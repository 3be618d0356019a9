#include "core/record_reader.h"

#include <gtest/gtest.h>

#include "tests/support/memory_file.h"
#include "tests/support/package_bytes.h"

namespace hxf {
namespace {

using testing::Bytes;
using testing::MemoryInputFile;
using Step = RecordReader::Step;

struct ReadEntry {
  std::string name;
  std::string data;
  bool operator==(const ReadEntry&) const = default;
};

struct ReadResult {
  std::vector<ReadEntry> entries;
  std::vector<Step> steps;
  bool data_cut_short = false;
  std::optional<Corruption> corruption;
  std::uint32_t checksum = 0;
};

// Reads a whole package through a reader with a small buffer and short reads, the hard case.
ReadResult ReadAll(const Bytes& package, std::size_t max_read = 7) {
  MemoryInputFile file(package, max_read);
  RecordReader reader(file, 64);
  ReadResult result;
  while (true) {
    Result<Step> step = reader.Next();
    EXPECT_TRUE(step.ok());
    result.steps.push_back(*step);
    if (*step != Step::kEntry && *step != Step::kEndMarker) break;
    if (*step == Step::kEndMarker) continue;
    ReadEntry entry{reader.entry().name, ""};
    while (true) {
      Result<std::span<const std::byte>> chunk = reader.ReadData();
      if (!chunk.ok()) {
        EXPECT_EQ(chunk.status().code(), Status::Code::kCorruption);
        result.data_cut_short = true;
        break;
      }
      if (chunk->empty()) break;
      entry.data.append(reinterpret_cast<const char*>(chunk->data()), chunk->size());
    }
    result.entries.push_back(entry);
    if (result.data_cut_short) break;
  }
  result.corruption = reader.corruption();
  result.checksum = reader.Checksum();
  return result;
}

const Bytes kTwoEntries =
    testing::BuildPackage({{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}});

TEST(RecordReader, ReadsEntriesThenEndMarkerThenEnd) {
  ReadResult result = ReadAll(kTwoEntries);
  EXPECT_EQ(result.entries,
            (std::vector<ReadEntry>{{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}}));
  EXPECT_EQ(result.steps,
            (std::vector<Step>{Step::kEntry, Step::kEntry, Step::kEndMarker, Step::kEnd}));
  EXPECT_EQ(result.checksum, 0xBB483C9Du);
}

TEST(RecordReader, HeaderFieldsAndTexts) {
  MemoryInputFile file(testing::BuildPackage({{"a.txt", "abc"}}));
  RecordReader reader(file);
  while (*reader.Next() != Step::kEnd) {
  }
  EXPECT_TRUE(reader.HeaderTextsMatch());
  EXPECT_EQ(reader.HeaderLengthField(), 85u);
  EXPECT_EQ(reader.HeaderChecksumField(), 0xDAD84F3Du);
  EXPECT_EQ(reader.Checksum(), 0xDAD84F3Du);
}

TEST(RecordReader, SkippedDataIsStillSummed) {
  MemoryInputFile file(kTwoEntries);
  RecordReader reader(file, 64);
  while (*reader.Next() != Step::kEnd) {
  }
  EXPECT_EQ(reader.Checksum(), 0xBB483C9Du);
}

// Read again while the reader stands inside a later record's data, partly buffered: the rest of
// the package reads on as it would have, and its sum does not change.
TEST(RecordReader, AnEarlierNameIsReadAgainWithoutMovingTheReader) {
  const Bytes package = testing::BuildPackage(
      {{"first\\a.bin", std::string(100, 'a')}, {"second", std::string(300, 'b')}, {"c", "z"}});
  MemoryInputFile file(package, 7);
  RecordReader reader(file, 64);
  ASSERT_EQ(*reader.Next(), Step::kEntry);
  const std::uint64_t first = reader.entry().offset;
  ASSERT_EQ(*reader.Next(), Step::kEntry);
  Result<std::span<const std::byte>> started = reader.ReadData();  // a chunk of the second's data
  ASSERT_TRUE(started.ok());
  std::string data(reinterpret_cast<const char*>(started->data()), started->size());

  for (int again = 0; again < 2; ++again) {
    Result<std::string> name = reader.NameAt(first);
    ASSERT_TRUE(name.ok()) << name.status().message();
    EXPECT_EQ(*name, "first\\a.bin");
  }
  EXPECT_EQ(reader.NameAt(first + 1).status().code(), Status::Code::kCorruption);
  for (Result<std::span<const std::byte>> chunk = reader.ReadData(); chunk.ok() && !chunk->empty();
       chunk = reader.ReadData()) {
    data.append(reinterpret_cast<const char*>(chunk->data()), chunk->size());
  }
  EXPECT_EQ(data, std::string(300, 'b'));
  ASSERT_EQ(*reader.Next(), Step::kEntry);
  EXPECT_EQ(reader.entry().name, "c");
  while (*reader.Next() != Step::kEnd) {
  }
  EXPECT_EQ(reader.Checksum(), ReadAll(package).checksum);
}

TEST(RecordReader, EndMarkerInTheMiddleIsPassedOver) {
  const Bytes package = testing::WithHeader(testing::Concat(
      {testing::Record("a", "1"), testing::U32(0), testing::Record("b", "2"), testing::U32(0)}));
  ReadResult result = ReadAll(package);
  EXPECT_EQ(result.entries, (std::vector<ReadEntry>{{"a", "1"}, {"b", "2"}}));
}

TEST(RecordReader, NameLengthLimitIs400) {
  const std::string longest(400, 'n');
  EXPECT_EQ(ReadAll(testing::BuildPackage({{longest, "x"}})).entries.front().name, longest);

  const Bytes too_long = testing::BuildPackage({{std::string(401, 'n'), "x"}});
  ReadResult result = ReadAll(too_long);
  EXPECT_EQ(result.steps, std::vector<Step>{Step::kCorrupt});
  EXPECT_EQ(result.corruption, (Corruption{Corruption::Kind::kNameLength, 64}));
  // The rest is still read, so the whole body's checksum can be checked.
  EXPECT_EQ(result.checksum, testing::ReferenceChecksum(too_long));
}

// Each way the records can stop being followable gives its kind and the offset of its record,
// and no entry is handed out for a record whose data are not all in the file.
TEST(RecordReader, CorruptionSaysWhatAndWhichRecord) {
  using Kind = Corruption::Kind;
  using testing::Concat;
  using testing::Record;
  using testing::U32;
  const Bytes first = Record("a", "1");  // 64..75
  const Bytes second_fields = Concat({U32(2), testing::ToBytes("bb"), Bytes{std::byte{0x20}}});
  struct Case {
    const char* what;
    Bytes body;
    Corruption expected;
  };
  const Case cases[] = {
      {"name length over 400", Concat({first, U32(401), Bytes(401)}), {Kind::kNameLength, 75}},
      {"name length of 2^32-1", Concat({first, U32(0xFFFFFFFF)}), {Kind::kNameLength, 75}},
      {"cut in a name length", Concat({first, Bytes(3)}), {Kind::kCutShort, 75}},
      {"cut in a name", Concat({first, U32(5), testing::ToBytes("ab")}), {Kind::kCutShort, 75}},
      {"cut in a data length", Concat({first, second_fields, Bytes(2)}), {Kind::kCutShort, 75}},
      {"data one byte past the end",
       Concat({first, second_fields, U32(4), Bytes(3)}),
       {Kind::kDataPastEnd, 75}},
      {"data length of 2^32-1",
       Concat({first, second_fields, U32(0xFFFFFFFF), Bytes(9)}),
       {Kind::kDataPastEnd, 75}},
  };
  for (const Case& c : cases) {
    const Bytes package = testing::WithHeader(c.body);
    ReadResult result = ReadAll(package);
    EXPECT_EQ(result.entries, (std::vector<ReadEntry>{{"a", "1"}})) << c.what;
    EXPECT_EQ(result.steps, (std::vector<Step>{Step::kEntry, Step::kCorrupt})) << c.what;
    EXPECT_EQ(result.corruption, c.expected) << c.what;
    EXPECT_EQ(result.checksum, testing::ReferenceChecksum(package)) << c.what;
  }
}

TEST(RecordReader, DataThatEndExactlyAtTheEndFit) {
  ReadResult result = ReadAll(testing::WithHeader(testing::Record("a", "last")));
  EXPECT_EQ(result.entries, (std::vector<ReadEntry>{{"a", "last"}}));
  EXPECT_EQ(result.steps, (std::vector<Step>{Step::kEntry, Step::kEnd}));
  EXPECT_FALSE(result.corruption);
}

TEST(RecordReader, NothingIsReadAfterACorruption) {
  MemoryInputFile file(testing::WithHeader(testing::Concat(
      {testing::U32(401), testing::Record("hidden", "behind the bad length"), testing::U32(0)})));
  RecordReader reader(file, 64);
  for (int step = 0; step < 3; ++step) {
    EXPECT_EQ(*reader.Next(), Step::kCorrupt) << step;
    Result<std::span<const std::byte>> chunk = reader.ReadData();
    ASSERT_TRUE(chunk.ok());
    EXPECT_TRUE(chunk->empty());
  }
  EXPECT_EQ(reader.offset(), reader.file_size());
}

// A file that shrank after it was opened ends inside data its size said were there: the data read
// report the same corruption, and so does every step after.
TEST(RecordReader, FileThatShrankReportsTheRecordItEndsIn) {
  MemoryInputFile file(testing::WithHeader(
      testing::Concat({testing::Record("a", "1"), testing::U32(1), testing::ToBytes("b"),
                       Bytes{std::byte{0x20}}, testing::U32(100), Bytes(10)})));
  file.ClaimSize(file.size() + 90);
  RecordReader reader(file, 64);
  ASSERT_EQ(*reader.Next(), Step::kEntry);
  ASSERT_EQ(*reader.Next(), Step::kEntry);
  Result<std::span<const std::byte>> chunk = reader.ReadData();
  while (chunk.ok() && !chunk->empty()) chunk = reader.ReadData();
  ASSERT_FALSE(chunk.ok());
  EXPECT_EQ(chunk.status().code(), Status::Code::kCorruption);
  EXPECT_NE(chunk.status().message().find("memory.hxf"), std::string::npos);
  EXPECT_EQ(reader.corruption(), (Corruption{Corruption::Kind::kDataPastEnd, 75}));
  EXPECT_EQ(*reader.Next(), Step::kCorrupt);
}

// A read error is no corruption: it fails the step and carries the reason.
TEST(RecordReader, ReadErrorsAreNotReportedAsCorruption) {
  const Bytes package = testing::BuildPackage({{"a", std::string(200, 'a')}, {"b", "b"}});
  for (std::uint64_t fail_from : {10, 70, 150, 286}) {
    MemoryInputFile file(package, 16);
    file.FailReadsFrom(fail_from);
    RecordReader reader(file, 64);
    Status failure;
    while (failure.ok()) {
      Result<Step> step = reader.Next();
      if (!step.ok()) {
        failure = step.status();
        break;
      }
      ASSERT_TRUE(*step == Step::kEntry || *step == Step::kEndMarker) << fail_from;
      failure = reader.SkipData();
    }
    EXPECT_EQ(failure.code(), Status::Code::kIoError) << fail_from;
    EXPECT_NE(failure.message().find("Input/output error"), std::string::npos) << fail_from;
    EXPECT_FALSE(reader.corruption()) << fail_from;
  }
}

TEST(RecordReader, ShortFilesHaveNoEntries) {
  for (std::size_t size : {0, 1, 63, 64}) {
    ReadResult result = ReadAll(Bytes(size, std::byte{0}));
    EXPECT_EQ(result.steps, std::vector<Step>{Step::kEnd}) << size;
  }
}

// Cut at every length, a package reads to a clean stop: the end, or a corruption at the record the
// cut lies in; never more entries than are whole, never data cut short, never a hang.
TEST(RecordReader, EveryTruncationStopsCleanly) {
  // The first record ends at 64 + 4 + 9 + 1 + 4 + 5 = 87, the second at 101, the marker at 105.
  for (std::size_t cut = 0; cut < kTwoEntries.size(); ++cut) {
    const Bytes package(kTwoEntries.begin(), kTwoEntries.begin() + cut);
    ReadResult result = ReadAll(package);
    EXPECT_FALSE(result.data_cut_short) << "cut " << cut;
    const std::size_t whole = cut >= 101 ? 2 : cut >= 87 ? 1 : 0;
    EXPECT_EQ(result.entries.size(), whole) << "cut " << cut;
    if (cut <= 64 || cut == 87 || cut == 101) {
      EXPECT_EQ(result.steps.back(), Step::kEnd) << "cut " << cut;
      EXPECT_FALSE(result.corruption) << "cut " << cut;
    } else {
      const std::uint64_t record = cut > 101 ? 101 : cut > 87 ? 87 : 64;
      EXPECT_EQ(result.steps.back(), Step::kCorrupt) << "cut " << cut;
      ASSERT_TRUE(result.corruption) << "cut " << cut;
      EXPECT_EQ(result.corruption->offset, record) << "cut " << cut;
    }
    EXPECT_EQ(result.checksum, testing::ReferenceChecksum(package)) << "cut " << cut;
  }
}

}  // namespace
}  // namespace hxf
