// Adding a file to whatever a user may call a package, then taking it out again. The first input
// byte picks the file's path below the folder and its content; the rest is the package.
// - What is no package, or is not whole (its length, checksum, records or end marker are wrong),
//   is left as it was.
// - Otherwise the add keeps every record in its order and puts the file in once: in the place of
//   the first entry of its name (ASCII case ignored) under that entry's spelling, or as a new
//   entry; the header is right.
// - Removing the path then leaves exactly the records the path does not pick, unless none would
//   be left: then the package stays as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/name_encoding.h"
#include "core/name_pattern.h"
#include "core/package_integrity.h"
#include "core/record_reader.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/read_record_data.h"
#include "pack/edit.h"
#include "pack/name_case.h"
#include "tests/support/memory_file.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/recording_log.h"

namespace {

using hxf::testing::Bytes;

struct Record {
  std::string name;
  std::string data;
  bool operator==(const Record&) const = default;
};

struct Read {
  std::vector<Record> records;
  bool whole = false;  // a package header, and verify's length, checksum and records pass
};

Read ReadPackage(const Bytes& bytes) {
  hxf::testing::MemoryInputFile file(bytes);
  hxf::RecordReader reader(file, 512);
  hxf::RecordTally tally;
  Read read;
  while (true) {
    hxf::Result<hxf::RecordReader::Step> step = reader.Next();
    HXF_FUZZ_CHECK(step.ok());
    tally.Count(*step, reader);
    if (*step == hxf::RecordReader::Step::kEndMarker) continue;
    if (*step != hxf::RecordReader::Step::kEntry) {
      const std::vector<hxf::IntegrityFinding> checks = hxf::CheckIntegrity(reader, tally);
      read.whole = reader.HeaderComplete() && reader.MagicTextMatches() &&
                   std::all_of(checks.begin(), checks.end(),
                               [](const hxf::IntegrityFinding& f) { return f.passed; });
      break;
    }
    Record record{reader.entry().name, {}};
    HXF_FUZZ_CHECK(ReadRecordData(reader, record.data));
    read.records.push_back(std::move(record));
  }
  return read;
}

// Paths below the folder, with names that sort by case, by GBK and by 0xFF, and folders.
const char* const kPaths[] = {"a.txt", "A.TXT", "SYSTEM/f.bin", "system/F.BIN", "中文/字体.bin",
                              "z",     "a",     "a/b",          "\xFF",         "Font"};

hxf::JobResult Run(hxf::testing::MemoryFileSystem& fs, hxf::TEdit::Settings settings) {
  hxf::testing::RecordingLog log;
  hxf::Joined<hxf::TEdit> job(log, "fw.hxf", std::move(settings), fs);
  hxf::testing::RunToEnd(job);
  return job.result();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string path = kPaths[data[0] % std::size(kPaths)];
  const std::string content = "new " + std::to_string(data[0]);
  const auto* first = reinterpret_cast<const std::byte*>(data + 1);
  const Bytes package(first, first + (size - 1));
  const Read before = ReadPackage(package);

  hxf::testing::MemoryFileSystem fs;
  fs.AddFile("fw.hxf", package);
  fs.AddFile("tree/" + path,
             Bytes(reinterpret_cast<const std::byte*>(content.data()),
                   reinterpret_cast<const std::byte*>(content.data()) + content.size()));
  const hxf::JobResult added = Run(fs, {.add = {path}, .add_from = "tree"});
  const Bytes after_add = *fs.FileContent("fw.hxf");
  if (!before.whole) {
    HXF_FUZZ_CHECK(added != hxf::JobResult::kSucceeded);
    HXF_FUZZ_CHECK(after_add == package);
    return 0;
  }
  HXF_FUZZ_CHECK(added == hxf::JobResult::kSucceeded || added == hxf::JobResult::kProblems);
  const Read after = ReadPackage(after_add);
  HXF_FUZZ_CHECK(after.whole);
  HXF_FUZZ_CHECK(after.records.size() == before.records.size() ||
                 after.records.size() == before.records.size() + 1);

  // The file's record, and the rest as they were.
  std::string entry_name = path;
  std::replace(entry_name.begin(), entry_name.end(), '/', '\\');
  entry_name = *hxf::EncodeName(entry_name, hxf::NameEncoding::kGbk);
  const std::string folded = hxf::FoldedName(entry_name, hxf::NameEncoding::kGbk);
  auto same_name = [&](const Record& r) {
    return hxf::FoldedName(r.name, hxf::NameEncoding::kGbk) == folded;
  };
  const auto replaced = std::find_if(before.records.begin(), before.records.end(), same_name);
  std::vector<Record> expected = before.records;
  std::vector<Record> rest = after.records;
  const auto put = std::find_if(rest.begin(), rest.end(),
                                [&](const Record& r) { return same_name(r) && r.data == content; });
  HXF_FUZZ_CHECK(put != rest.end());
  if (replaced != before.records.end()) {
    HXF_FUZZ_CHECK(put->name == replaced->name);
    HXF_FUZZ_CHECK(put - rest.begin() == replaced - before.records.begin());
    expected.erase(expected.begin() + (replaced - before.records.begin()));
  } else {
    HXF_FUZZ_CHECK(put->name == entry_name);
  }
  rest.erase(put);
  HXF_FUZZ_CHECK(rest == expected);

  // Taken out again.
  const hxf::JobResult removed = Run(fs, {.remove = {path}});
  const hxf::NamePattern pattern(path);
  std::vector<Record> kept;
  for (const Record& r : after.records) {
    if (!pattern.Matches(hxf::DecodeName(r.name, hxf::NameEncoding::kGbk))) kept.push_back(r);
  }
  if (kept.empty()) {
    HXF_FUZZ_CHECK(removed == hxf::JobResult::kFailed);
    HXF_FUZZ_CHECK(*fs.FileContent("fw.hxf") == after_add);
    return 0;
  }
  HXF_FUZZ_CHECK(removed == hxf::JobResult::kSucceeded);
  const Read after_remove = ReadPackage(*fs.FileContent("fw.hxf"));
  HXF_FUZZ_CHECK(after_remove.whole);
  HXF_FUZZ_CHECK(after_remove.records == kept);
  return 0;
}
