// The packer holds every directory's listing from the root down to the one it packs, to sort it:
// what each listed entry costs decides the peak memory of packing a large folder. Measured on the
// program itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/files.h"
#include "tests/support/peak_memory.h"

namespace hxf {
namespace {

// The peak memory, in KiB, of `hxf pack -q fw.hxf -C tree` in `directory`; -1 when it failed.
long PeakKiBOfPacking(const std::string& directory) {
  const testing::MeasuredRun run =
      testing::MeasureRun(HXF_BINARY, {"pack", "-q", "fw.hxf", "-C", "tree"}, directory);
  return run.exit_status == 0 ? run.peak_kib : -1;
}

// Makes `files` empty files spread evenly over `folders` folders of `root`, with names of 40
// bytes: the length of a firmware's long file names, and past any string's inline buffer.
void MakeTree(const std::string& root, int folders, int files) {
  for (int folder = 0; folder < folders; ++folder) {
    const std::string path = root + "/folder" + std::to_string(folder);
    std::filesystem::create_directories(path);
    for (int file = folder; file < files; file += folders) {
      char name[64];
      std::snprintf(name, sizeof name, "/a_long_name_as_firmware_files_have_%04d", file);
      const int fd = ::open((path + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      ASSERT_GE(fd, 0) << path << name;
      ::close(fd);
    }
  }
}

// Each case packs a tree of 5,000 files and compares the peak with that of packing one file.
// Holding each entry with its name and package name as strings, twice over while sorting, and
// every packed name for the case check, cost about 650 bytes a file in one folder and 300 spread
// over folders; the limits allow 150 in one folder, where the listing must be kept, and 50 spread
// over folders, where it need not.
TEST(PackPeakMemory, GrowsLittleWithTheFilesOfAFolderAndNotWithTheTree) {
  constexpr int kFiles = 5'000;
  const struct {
    const char* tree;
    int folders;
    long bytes_per_file;
  } cases[] = {
      {"one folder", 1, 150},
      {"100 folders", 100, 50},
  };
  testing::TempDir small;
  MakeTree(small / "tree", 1, 1);
  const long base = PeakKiBOfPacking(small.path());
  ASSERT_GT(base, 0);
  for (const auto& c : cases) {
    testing::TempDir dir;
    MakeTree(dir / "tree", c.folders, kFiles);
    const long peak = PeakKiBOfPacking(dir.path());
    ASSERT_GT(peak, 0) << c.tree;
    EXPECT_LT(peak - base, kFiles * c.bytes_per_file / 1024)
        << c.tree << ": peak " << peak << " KiB, " << base << " KiB for one file";
  }
}

}  // namespace
}  // namespace hxf
