// `hxf pack` where only POSIX can measure it: the peak memory of a child process.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/package_format.h"
#include "tests/pack/pack_command_test.h"
#include "tests/pack/pack_test_support.h"

namespace hxf {
namespace {

using testing::CommandResult;

// Packing streams: a large file passes through a fixed buffer, so the program's peak memory
// stays far below the file's size.
TEST_F(PackCommandTest, PeakMemoryStaysFarBelowTheSizeOfAFilePacked) {
  constexpr std::uint64_t kFileSize = 256ull << 20;
  testing::MakeSparseFile(dir_ / "in_hxf/big.bin", kFileSize);
  // Measured in a child of its own, so that only this run of hxf counts.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const CommandResult result = Hxf({"pack", "fw.hxf"});
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const long peak_mib = usage.ru_maxrss / 1024;  // ru_maxrss is in KiB
    ::_exit(result.exit_status != 0 ? 255 : static_cast<int>(std::min(peak_mib, 254L)));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(WEXITSTATUS(status), 255) << "hxf pack failed";
  EXPECT_LT(WEXITSTATUS(status), 32) << "peak memory in MiB";
  EXPECT_EQ(std::filesystem::file_size(dir_ / "fw.hxf"),
            format::kEmptyPackageSize + (format::kRecordOverhead + 5 + 3) +
                (format::kRecordOverhead + 7 + kFileSize));
}

}  // namespace
}  // namespace hxf
