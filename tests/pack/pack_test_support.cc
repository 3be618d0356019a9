#include "tests/pack/pack_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/record_reader.h"
#include "tests/support/memory_file.h"

namespace hxf::testing {

std::vector<PackedEntry> ReadEntries(const Bytes& package) {
  MemoryInputFile file(package);
  RecordReader reader(file);
  std::vector<PackedEntry> entries;
  bool end_marker_seen = false;
  while (true) {
    Result<RecordReader::Step> step = reader.Next();
    if (!step.ok()) {
      ADD_FAILURE() << step.status().message();
      break;
    }
    if (*step == RecordReader::Step::kEnd) break;
    if (*step == RecordReader::Step::kEndMarker) {
      end_marker_seen = true;
      continue;
    }
    if (*step != RecordReader::Step::kEntry || end_marker_seen) {
      ADD_FAILURE() << "malformed package: "
                    << (reader.corruption() ? Describe(*reader.corruption())
                                            : "entry after the end marker");
      break;
    }
    PackedEntry entry{reader.entry().name, ""};
    while (true) {
      Result<std::span<const std::byte>> chunk = reader.ReadData();
      if (!chunk.ok()) {
        ADD_FAILURE() << "record data cut short: " << entry.name;
        return entries;
      }
      if (chunk->empty()) break;
      entry.data.append(reinterpret_cast<const char*>(chunk->data()), chunk->size());
    }
    entries.push_back(std::move(entry));
  }
  EXPECT_TRUE(end_marker_seen);
  EXPECT_TRUE(reader.HeaderTextsMatch());
  EXPECT_EQ(reader.HeaderLengthField(), package.size());
  EXPECT_EQ(reader.HeaderChecksumField(), ReferenceChecksum(package));
  return entries;
}

void PrintTo(const PackedEntry& entry, std::ostream* out) {
  *out << "{" << ::testing::PrintToString(entry.name) << ", "
       << ::testing::PrintToString(entry.data) << "}";
}

std::vector<std::string> EntryNames(const std::vector<PackedEntry>& entries) {
  std::vector<std::string> names;
  for (const PackedEntry& entry : entries) names.push_back(entry.name);
  return names;
}

std::vector<std::string> NamesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void MakeSparseFile(const std::string& path, std::uint64_t size) {
  WriteFile(path, "");
  std::filesystem::resize_file(path, size);
}

}  // namespace hxf::testing
