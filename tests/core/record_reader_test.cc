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
  MemoryInputFile file(too_long);
  RecordReader reader(file);
  EXPECT_EQ(*reader.Next(), Step::kBadNameLength);
  EXPECT_EQ(reader.problem_offset(), 64u);
  ASSERT_TRUE(reader.ReadToEnd().ok());
  EXPECT_EQ(reader.Checksum(), testing::ReferenceChecksum(too_long));
}

TEST(RecordReader, ShortFilesHaveNoEntries) {
  for (std::size_t size : {0, 1, 63, 64}) {
    ReadResult result = ReadAll(Bytes(size, std::byte{0}));
    EXPECT_EQ(result.steps, std::vector<Step>{Step::kEnd}) << size;
  }
}

// Cut at every length, a package reads to a clean stop: the end, a truncated record, or data cut
// short; never more entries than are whole, never a hang.
TEST(RecordReader, EveryTruncationStopsCleanly) {
  for (std::size_t cut = 0; cut < kTwoEntries.size(); ++cut) {
    const Bytes package(kTwoEntries.begin(), kTwoEntries.begin() + cut);
    ReadResult result = ReadAll(package);
    const Step last = result.steps.back();
    EXPECT_TRUE(last == Step::kEnd || last == Step::kTruncated || result.data_cut_short)
        << "cut " << cut;
    // The first record ends at 64 + 4 + 9 + 1 + 4 + 5 = 87, the second at 101, the marker at 105.
    const std::size_t whole = cut >= 101 ? 2 : cut >= 87 ? 1 : 0;
    const std::size_t reported = result.entries.size() - (result.data_cut_short ? 1 : 0);
    EXPECT_EQ(reported, whole) << "cut " << cut;
    EXPECT_EQ(result.checksum, testing::ReferenceChecksum(package)) << "cut " << cut;
  }
}

}  // namespace
}  // namespace hxf
