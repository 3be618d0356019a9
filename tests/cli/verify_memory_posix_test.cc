// `hxf verify` checks every name against every other once case is ignored, over a whole package:
// what it keeps of each name decides its peak memory for a package of many entries. Measured on
// the program itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/support/peak_memory.h"

namespace hxf {
namespace {

// Writes to `path` a package of `entries` empty files spread over 50 folders, with names of 40
// bytes as firmware files have; with `clash`, the last entry's name is the first's in upper case.
void WriteManyNames(const std::string& path, int entries, bool clash) {
  // Record by record into one buffer, which goes back to the system when freed, as many small
  // strings would not.
  testing::Bytes body;
  auto add = [&](const std::string& name) {
    const testing::Bytes record = testing::Record(name, "");
    body.insert(body.end(), record.begin(), record.end());
  };
  for (int entry = 0; entry < entries; ++entry) {
    char name[80];
    std::snprintf(name, sizeof name, "folder%02d\\a_long_name_as_firmware_files_have_%06d",
                  entry % 50, entry);
    add(name);
  }
  if (clash) add("FOLDER00\\A_LONG_NAME_AS_FIRMWARE_FILES_HAVE_000000");
  const testing::Bytes end_marker = testing::U32(0);
  body.insert(body.end(), end_marker.begin(), end_marker.end());
  testing::WriteFile(path, testing::WithHeader(body));
}

// Keeping each folded name whole cost about 150 bytes an entry; the limit allows 24, what a
// name's hash and its share of the container cost, whether or not a clash makes the check read
// the package a second time.
TEST(VerifyPeakMemory, GrowsOnlyByAHashAnEntry) {
  // Enough entries for the run's own growth to stand well above what a run reports of the copy of
  // this process it starts as.
  constexpr int kEntries = 400'000;
  testing::TempDir small;
  WriteManyNames(small / "fw.hxf", 1, false);
  const testing::MeasuredRun base =
      testing::MeasureRun(HXF_BINARY, {"verify", "fw.hxf"}, small.path());
  ASSERT_EQ(base.exit_status, 0);
  ASSERT_GT(base.peak_kib, 0);
  for (const bool clash : {false, true}) {
    SCOPED_TRACE(clash ? "with a clash" : "without a clash");
    testing::TempDir dir;
    // Made and let go before the run: the program starts as a copy of this process, whose size
    // then counts in the peak it reports.
    WriteManyNames(dir / "fw.hxf", kEntries, clash);
    const testing::MeasuredRun run =
        testing::MeasureRun(HXF_BINARY, {"verify", "fw.hxf"}, dir.path());
    EXPECT_EQ(run.exit_status, clash ? 1 : 0);  // the clash is found, on the second reading
    ASSERT_GT(run.peak_kib, 0);
    EXPECT_LT(run.peak_kib - base.peak_kib, kEntries * 24 / 1024)
        << "peak " << run.peak_kib << " KiB, " << base.peak_kib << " KiB for one entry";
  }
}

}  // namespace
}  // namespace hxf
