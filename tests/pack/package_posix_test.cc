// The pack job where only POSIX can show it: pipes and sockets, permission bits and owners,
// symbolic links, a file size limit, a kill.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/pack/package_test.h"
#include "tests/support/run_command.h"

namespace hxf {
namespace {

using testing::Bytes;
using ::testing::ElementsAre;
using testing::ReadFile;
using ::testing::StartsWith;
using testing::TempDir;
using testing::WriteFile;

// Only a regular file is ever replaced: `hxf pack /dev/null` once made /dev/null a package.
TEST_F(PackageTest, ATargetThatIsNotARegularFileIsRefusedAndLeftAsItWas) {
  WriteFile(in("a.txt"), "abc");
  ASSERT_EQ(::mkfifo((dir_ / "pipe.hxf").c_str(), 0600), 0);
  std::filesystem::create_directory(dir_ / "dir.hxf");
  const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = dir_ / "socket.hxf";
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::copy(socket_path.begin(), socket_path.end(), address.sun_path);
  ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(socket);

  for (const char* name : {"pipe.hxf", "dir.hxf", "socket.hxf"}) {
    EXPECT_EQ(Repack(SystemFileSystem(), {}, dir_ / name), JobResult::kNotOpened) << name;
    EXPECT_THAT(Problems(), ElementsAre(StartsWith(Text(text::kCannotCreatePackage, dir_ / name))));
  }
  struct stat st {};
  EXPECT_TRUE(::lstat((dir_ / "pipe.hxf").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "dir.hxf"));
  EXPECT_TRUE(std::filesystem::is_socket(dir_ / "socket.hxf"));
  EXPECT_THAT(testing::NamesIn(dir_.path()),
              ElementsAre("dir.hxf", "in_hxf", "pipe.hxf", "socket.hxf"));
}

TEST_F(PackageTest, AReplacedPackageKeepsItsPermissionsAndOwner) {
  WriteFile(in("a.txt"), "abc");
  WriteOldPackage();
  ASSERT_EQ(::chmod(package_path().c_str(), 0640), 0);
  // Only root may give a file away; others keep their own ownership, and that is no failure.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(package_path().c_str(), 1234, 5678), 0);
  }
  EXPECT_EQ(Repack(), JobResult::kSucceeded);
  EXPECT_EQ(package(), testing::BuildPackage({{"a.txt", "abc"}}));
  struct stat st {};
  ASSERT_EQ(::stat(package_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
  }
}

TEST_F(PackageTest, APackagePathThatIsALinkKeepsTheLinkAndReplacesItsTarget) {
  TempDir elsewhere;
  WriteFile(in("a.txt"), "abc");
  WriteFile(elsewhere / "real.hxf", "the old package");
  std::filesystem::create_symlink(elsewhere / "real.hxf", dir_ / "step.hxf");
  std::filesystem::create_symlink("step.hxf", package_path());  // a link to a link
  EXPECT_EQ(Repack(), JobResult::kSucceeded);
  EXPECT_TRUE(std::filesystem::is_symlink(package_path()));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "step.hxf"));
  EXPECT_EQ(ReadFile(elsewhere / "real.hxf"), testing::BuildPackage({{"a.txt", "abc"}}));
  EXPECT_THAT(testing::NamesIn(elsewhere.path()), ElementsAre("real.hxf"));
  EXPECT_THAT(testing::NamesIn(dir_.path()), ElementsAre("fw.hxf", "in_hxf", "step.hxf"));
}

TEST_F(PackageTest, AFileSizeLimitOfTheSystemFailsTheRepackAndKeepsTheOldPackage) {
  const Bytes old = WriteOldPackage(100000);
  WriteFile(in("a.bin"), Bytes(200000, std::byte{1}));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The limit makes writes past 64 KiB fail with EFBIG, as a full disk does with ENOSPC.
    const rlimit limit{64 * 1024, 64 * 1024};
    ::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(100);
    testing::RecordingLog log;
    Joined<TPackage> worker(log, package_path());
    testing::RunToEnd(worker);
    const bool said_why =
        !log.texts().empty() && log.texts().back().starts_with(text::kWriteFailed);
    ::_exit(static_cast<int>(worker.result()) + (said_why ? 0 : 10));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(JobResult::kFailed));
  EXPECT_EQ(package(), old);
  EXPECT_THAT(testing::NamesIn(dir_.path()), ElementsAre("fw.hxf", "in_hxf"));
}

// The new package is written without a name until it is complete, so even a kill leaves nothing
// beside the package.
TEST_F(PackageTest, ARepackKilledMidwayLeavesTheOldPackageAndNothingElse) {
  const Bytes old = WriteOldPackage();
  testing::MakeSparseFile(in("big.bin"), std::uint64_t{1} << 30);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    testing::RecordingLog log;
    Joined<TPackage> worker(log, package_path());
    testing::RunToEnd(worker);
    ::_exit(0);
  }
  // Kill it once the new package is well under way.
  EXPECT_TRUE(testing::WaitUntilWritten(child, 1u << 20));
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the repack ended before it could be killed";
  EXPECT_EQ(package(), old);
  EXPECT_THAT(testing::NamesIn(dir_.path()), ElementsAre("fw.hxf", "in_hxf"));
}

}  // namespace
}  // namespace hxf
