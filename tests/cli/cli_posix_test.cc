// What only a POSIX system lets the command-line tests measure: a child's peak memory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "tests/cli/cli_test.h"

namespace hxf {
namespace {

using testing::Bytes;
using testing::CommandResult;
using testing::ToBytes;

// Unpacking streams: the peak memory stays near the copy buffer whatever the package's size.
TEST_F(CliTest, UnpackingALargePackageUsesLittleMemory) {
  constexpr std::uint32_t kDataSize = 256u << 20;
  Bytes start = testing::Concat({testing::Header(0, 0), testing::U32(5), ToBytes("a.bin"),
                                 Bytes{std::byte{0x20}}, testing::U32(kDataSize)});
  testing::WriteFile(package(), start);
  // The data and end marker as a hole: zeros that take no disk space to write.
  ASSERT_EQ(::truncate(package().c_str(), static_cast<off_t>(start.size() + kDataSize + 4)), 0);

  CommandResult result = Hxf({"unpack", "fw.hxf", "-q"});
  EXPECT_EQ(result.exit_status, 1);  // the header of this hand-made package is left wrong
  struct rusage usage {};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 32 * 1024) << "peak KiB of the largest child so far";
  EXPECT_EQ(std::filesystem::file_size(dir_ / "out_hxf/a.bin"), kDataSize);
}

}  // namespace
}  // namespace hxf
