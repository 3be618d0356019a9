// Requests to stop, as POSIX sends them: signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "core/log_texts.h"
#include "tests/reliability/reliability_support.h"
#include "tests/support/files.h"
#include "tests/support/run_command.h"

namespace hxf::testing {
namespace {

namespace fs = std::filesystem;

// Ctrl-C and the other requests to stop cancel the job: the old package stays byte for byte,
// nothing is left beside it, and the exit status tells which signal stopped it.
TEST(InterruptedPack, EachStopSignalCancelsTheJobAndKeepsThePackage) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE("signal " + std::to_string(signal_number));
    TempDir dir;
    WriteFile(dir / "tree/big.bin", "");
    ASSERT_EQ(::truncate((dir / "tree/big.bin").c_str(), off_t{3} << 29), 0);  // 1.5 GiB of holes
    const Bytes old = ToBytes("the old package");
    WriteFile(dir / "fw.hxf", old);

    const pid_t pid = Spawn(HXF_BINARY, {"pack", "-C", dir / "tree", dir / "fw.hxf"}, dir / "err");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitUntilWritten(pid, 1u << 20)) << "the pack never got under way";
    ::kill(pid, signal_number);
    EXPECT_EQ(WaitExit(pid), 128 + signal_number);

    EXPECT_EQ(ReadFile(dir / "fw.hxf"), old);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"err", "fw.hxf", "tree"}));
    EXPECT_NE(ToString(ReadFile(dir / "err")).find(text::kCancelled), std::string::npos);
  }
}

}  // namespace
}  // namespace hxf::testing
