// A real `hxf pack` process killed (SIGKILL, TerminateProcess) at random moments while it packs a
// few MiB onto a package that exists: whatever the moment, the package on disk is the old one or
// the new one, whole. The new package has no name until it is complete, so nothing is left behind,
// but for a kill in the instant between its taking a temporary name and that name replacing the
// package's: such a file is a whole package, and it is removed here before the next round.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "tests/reliability/reliability_support.h"
#include "tests/support/files.h"
#include "tests/support/run_command.h"

namespace hxf::testing {
namespace {

namespace fs = std::filesystem;

// The temporary files in `directory`, each whole or not.
std::vector<std::pair<fs::path, bool>> TemporaryFiles(const std::string& directory) {
  std::vector<std::pair<fs::path, bool>> found;
  for (const auto& entry : fs::directory_iterator(directory)) {
    if (!entry.path().filename().string().starts_with(".hxf-tmp-")) continue;
    found.emplace_back(entry.path(), ReadPackage(ReadFile(entry.path().string())).whole);
  }
  return found;
}

// Removes what a kill left beside the package; returns how many of those files were torn. A killed
// process's handles are closed as it ends, and a file marked for deletion goes with the last of
// them; some hosts (Wine) report the exit a moment before that, so a torn file is given two seconds
// to go.
int RemoveTemporaryFiles(const std::string& directory) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  std::vector<std::pair<fs::path, bool>> found = TemporaryFiles(directory);
  auto torn = [&] {
    return std::count_if(found.begin(), found.end(), [](const auto& f) { return !f.second; });
  };
  while (torn() > 0 && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    found = TemporaryFiles(directory);
  }
  std::error_code ignored;  // one that is going already
  for (const auto& file : found) fs::remove(file.first, ignored);
  return static_cast<int>(torn());
}

TEST(KilledPack, PackageIsAlwaysTheOldOrTheNewOneWhole) {
  TempDir dir;
  const std::string trees[] = {dir / "tree-a", dir / "tree-b"};
  MakeTree(trees[0], 10, 250 * 1024, 1);  // 2.4 MiB
  MakeTree(trees[1], 10, 270 * 1024, 2);
  const std::string package = dir / "fw.hxf";

  // What each tree packs to.
  Bytes expected[2];
  for (int t = 0; t < 2; ++t) {
    ASSERT_EQ(RunCommand(HXF_BINARY, {"-q", "pack", "-C", trees[t], package}).exit_status, 0);
    expected[t] = ReadFile(package);
    ASSERT_TRUE(ReadPackage(expected[t]).whole);
  }

  // Kills are spread over a window that adapts to how long a run takes on this machine: it
  // narrows after a run that finished before its kill and widens after one that was killed, so
  // most kills land while the package is being written, whatever the machine's speed.
  const unsigned seed = std::random_device()();
  std::printf("kill seed %u\n", seed);
  std::mt19937 random(seed);
  double window_us = 200000;
  int current = 1;  // fw.hxf now holds tree b's package
  int killed = 0;
  int kept_old = 0;
  int finished = 0;
  constexpr int kRounds = 30;
  for (int round = 0; round < kRounds; ++round) {
    const int target = 1 - current;
    const auto delay = std::chrono::microseconds(
        std::uniform_int_distribution<long long>(0, static_cast<long long>(window_us))(random));
    SCOPED_TRACE("round " + std::to_string(round) + ", kill after " +
                 std::to_string(delay.count()) + " us, seed " + std::to_string(seed));
    const pid_t pid = Spawn(HXF_BINARY, {"-q", "pack", "-C", trees[target], package}, dir / "err");
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(delay);
    Kill(pid);
    const bool was_killed = WaitExit(pid) == -1;

    const Bytes now = ReadFile(package);
    ASSERT_TRUE(now == expected[current] || now == expected[target]);
    EXPECT_TRUE(ReadPackage(now).whole);
    if (was_killed) {
      ++killed;
      if (now == expected[current]) ++kept_old;
      window_us *= 1.15;
    } else {
      ++finished;
      EXPECT_EQ(now, expected[target]);
      window_us *= 0.7;
    }
    if (now == expected[target]) current = target;
    EXPECT_EQ(RemoveTemporaryFiles(dir.path()), 0) << "a torn package was left beside it";
  }
  std::printf("%d runs: %d killed (%d of them left the old package, %d the new one), %d finished\n",
              kRounds, killed, kept_old, killed - kept_old, finished);
  EXPECT_EQ(RunCommand(HXF_BINARY, {"verify", package}).exit_status, 0);
}

}  // namespace
}  // namespace hxf::testing
