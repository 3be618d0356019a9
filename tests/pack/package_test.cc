#include "pack/package.h"

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

#include "core/byte_order.h"
#include "core/log_texts.h"
#include "core/package_format.h"
#include "tests/pack/pack_test_support.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/recording_log.h"
#include "tests/support/run_command.h"
#include "unpack/extract.h"

namespace hxf {
namespace {

using testing::Bytes;
using ::testing::ElementsAre;
using testing::ReadFile;
using ::testing::StartsWith;
using testing::TempDir;
using testing::TestEntry;
using testing::WriteFile;

std::string Text(std::string_view text, std::string_view subject = "") {
  return std::string(text) + std::string(subject);
}

std::uint32_t U32At(const Bytes& bytes, std::size_t offset) {
  return DecodeU32(std::span(bytes).subspan(offset).first<4>());
}

class PackageTest : public ::testing::Test {
 protected:
  // Packs in_hxf beside fw.hxf (or what the arguments choose) and returns the job's result.
  // `before` sees the worker before it is resumed.
  JobResult Repack(FileSystem& file_system = SystemFileSystem(), TPackage::Settings settings = {},
                   std::string package = "", const std::function<void(Worker&)>& before = {}) {
    log_ = std::make_unique<testing::RecordingLog>();
    Joined<TPackage> worker(*log_, package.empty() ? package_path() : package, settings,
                            file_system);
    if (before) before(worker);
    testing::RunToEnd(worker);
    return worker.result();
  }

  std::string package_path() const { return dir_ / "fw.hxf"; }
  std::string in(const std::string& relative) const { return dir_ / ("in_hxf/" + relative); }
  Bytes package() const { return ReadFile(package_path()); }
  std::vector<std::string> Problems() const {
    std::vector<std::string> problems;
    for (const LogLine& line : log_->lines()) {
      if (line.kind == LogKind::kProblem) problems.push_back(line.text);
    }
    return problems;
  }
  bool LoggedFileClosed() const {
    const std::vector<std::string> texts = log_->texts();
    return std::find(texts.begin(), texts.end(), text::kFileClosed) != texts.end();
  }

  // An old package the failing cases below must leave exactly as it is.
  Bytes WriteOldPackage(std::size_t size = 10000) {
    Bytes old(size);
    for (std::size_t i = 0; i < size; ++i) old[i] = std::byte(i * 7);
    WriteFile(package_path(), old);
    return old;
  }
  void ExpectOldPackageKept(const Bytes& old) const {
    EXPECT_EQ(package(), old);
    EXPECT_THAT(testing::NamesIn(dir_.path()), ElementsAre("fw.hxf", "in_hxf"));  // no temp file
    EXPECT_FALSE(LoggedFileClosed());
  }

  TempDir dir_;
  std::unique_ptr<testing::RecordingLog> log_;
};

TEST_F(PackageTest, BuildsTheFormatExamplesByteForByte) {
  struct Case {
    std::vector<TestEntry> files;  // file paths below in_hxf, with '/'
    std::vector<TestEntry> entries;
    std::size_t size;
    std::uint32_t checksum;
  };
  const Case cases[] = {
      {{}, {}, 68, 0},
      {{{"a.txt", "abc"}}, {{"a.txt", "abc"}}, 85, 0xDAD84F3D},
      {{{"z.txt", ""}, {"sub/b.bin", "\x01\x02\x03\x04\x05"}},
       {{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}},
       105,
       0xBB483C9D},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir_ / "in_hxf");
    std::filesystem::create_directories(dir_ / "in_hxf");
    for (const TestEntry& file : c.files) WriteFile(in(file.name), file.data);
    EXPECT_EQ(Repack(), JobResult::kSucceeded);
    const Bytes written = package();
    EXPECT_EQ(written, testing::BuildPackage(c.entries)) << c.size;
    EXPECT_EQ(written.size(), c.size);
    EXPECT_EQ(U32At(written, format::kChecksumOffset), c.checksum);
  }
}

TEST_F(PackageTest, ACompleteRunLogsInTheJobsOrder) {
  WriteFile(in("z.txt"), "");
  WriteFile(in("sub/b.bin"), "\x01\x02\x03\x04\x05");
  EXPECT_EQ(Repack(), JobResult::kSucceeded);
  EXPECT_THAT(log_->NewestFirst(),
              ElementsAre(Text(text::kFileClosed), Text(text::kPackingDone),
                          "Addingb.bin" + Text(text::kPack), "Addingz.txt" + Text(text::kPack),
                          "Adding" + package_path() + Text(text::kPack)));
  EXPECT_EQ(log_->lines().back().kind, LogKind::kFinal);
}

TEST_F(PackageTest, AMissingPackRootIsCreatedAndGivesAnEmptyPackage) {
  EXPECT_EQ(Repack(), JobResult::kSucceeded);
  EXPECT_EQ(package(), testing::BuildPackage({}));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "in_hxf"));
}

TEST_F(PackageTest, ALongerOldPackageLeavesNoTrace) {
  WriteOldPackage(100000);
  WriteFile(in("a.txt"), "abc");
  EXPECT_EQ(Repack(), JobResult::kSucceeded);
  EXPECT_EQ(package(), testing::BuildPackage({{"a.txt", "abc"}}));
}

// A package made with files left out never ends on the plain success line: after "文件关闭" a
// line says how many were left out.
TEST_F(PackageTest, AFileLeftOutMakesTheResultProblemsAndTheLastLineSaysSo) {
  WriteFile(in("a.txt"), "abc");
  WriteFile(in("bad\\name.txt"), "x");
  WriteFile(in("bad:name.txt"), "x");
  WriteFile(in("shrinks.bin"), "12345");
  testing::Faults shrinks;
  shrinks.size_changes["shrinks.bin"] = 2;
  testing::FaultyFileSystem faulty(shrinks);
  EXPECT_EQ(Repack(faulty), JobResult::kProblems);
  EXPECT_THAT(testing::EntryNames(testing::ReadEntries(package())),
              ElementsAre("a.txt", "shrinks.bin"));
  EXPECT_THAT(
      log_->NewestFirst(),
      ::testing::AllOf(::testing::Contains(Text(text::kFileClosed)),
                       ::testing::Not(::testing::Contains(Text(text::kPackProblems, "3")))));
  EXPECT_EQ(log_->NewestFirst()[0], Text(text::kPackIncomplete, "2"));
  EXPECT_EQ(log_->NewestFirst()[1], Text(text::kFileClosed));

  // Problems that left nothing out are counted instead.
  std::filesystem::remove(in("bad\\name.txt"));
  std::filesystem::remove(in("bad:name.txt"));
  EXPECT_EQ(Repack(faulty), JobResult::kProblems);
  EXPECT_EQ(log_->NewestFirst()[0], Text(text::kPackProblems, "1"));
  EXPECT_EQ(log_->NewestFirst()[1], Text(text::kFileClosed));
}

// An empty package in place of the user's firmware would pass for a repack that went well.
TEST_F(PackageTest, NothingToPackNeverReplacesAnExistingPackage) {
  const std::vector<std::function<void()>> roots = {
      [] {},                                                          // no in_hxf at all
      [&] { std::filesystem::create_directories(dir_ / "in_hxf"); },  // an empty one
      [&] {
        WriteFile(in(".hidden"), "dot names are never packed");
        WriteFile(in("sub/bad\\name"), "refused");
      },
  };
  for (const auto& make_root : roots) {
    std::filesystem::remove_all(dir_ / "in_hxf");
    make_root();
    const Bytes old = WriteOldPackage();
    EXPECT_EQ(Repack(), JobResult::kFailed);
    EXPECT_THAT(Problems(), ::testing::Contains(Text(text::kNothingToPackKept, dir_ / "in_hxf")));
    EXPECT_EQ(package(), old);
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "in_hxf"));  // shows where files go
    EXPECT_FALSE(LoggedFileClosed());
  }
}

TEST_F(PackageTest, ANamedPackRootThatIsMissingIsNotCreated) {
  const Bytes old = WriteOldPackage();
  EXPECT_EQ(Repack(SystemFileSystem(), {dir_ / "missing"}), JobResult::kNotOpened);
  EXPECT_THAT(Problems(),
              ElementsAre(StartsWith(Text(text::kCannotReadDirectory, dir_ / "missing"))));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
  EXPECT_EQ(package(), old);
}

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

TEST_F(PackageTest, APackageHeldByAnotherJobFailsTheRepackAndIsKept) {
  const Bytes old = WriteOldPackage();
  WriteFile(in("a.txt"), "abc");
  Result<std::unique_ptr<InputFile>> held = SystemFileSystem().OpenForReading(package_path());
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(Repack(), JobResult::kNotOpened);
  ASSERT_EQ(Problems().size(), 1u);
  EXPECT_THAT(Problems()[0], StartsWith(Text(text::kCannotCreatePackage, package_path() + ": ")));
  ExpectOldPackageKept(old);
}

TEST_F(PackageTest, AFailedWriteFailsTheRepackAndKeepsTheOldPackage) {
  const Bytes old = WriteOldPackage();
  WriteFile(in("a.bin"), Bytes(150000, std::byte{1}));
  WriteFile(in("sub/b.bin"), Bytes(150000, std::byte{2}));
  std::vector<testing::Faults> cases(5);
  cases[0].disk_space = 0;       // nothing fits
  cases[1].disk_space = 200000;  // full in the middle of a file
  cases[2].disk_space = 300096;  // room for everything but the end marker
  cases[3].fail_write_at = true;
  cases[4].fail_commit = true;
  for (const testing::Faults& faults : cases) {
    testing::FaultyFileSystem faulty(faults);
    EXPECT_EQ(Repack(faulty), JobResult::kFailed);
    ASSERT_FALSE(Problems().empty());
    EXPECT_THAT(Problems().back(), StartsWith(Text(text::kWriteFailed, package_path() + ": ")));
    ExpectOldPackageKept(old);
  }
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

// Readers handle positions as signed 32-bit values: the record that would take the package to
// 2 GiB is refused before it is written, and the old package stays.
TEST_F(PackageTest, APackageThatWouldReach2GiBFailsAsAWhole) {
  const Bytes old = WriteOldPackage();
  const std::uint64_t a_size = format::kMaxPackageSize - format::kEmptyPackageSize -
                               format::kRecordOverhead - 5;  // just fits, with its name a.bin
  testing::MakeSparseFile(in("a.bin"), a_size);
  WriteFile(in("b.bin"), "b");
  testing::Faults faults;
  faults.stored_bytes = 1 << 20;
  testing::FaultyFileSystem faulty(faults);
  EXPECT_EQ(Repack(faulty), JobResult::kFailed);
  EXPECT_THAT(Problems(), ElementsAre(Text(text::kPackageTooLarge, package_path())));
  ExpectOldPackageKept(old);
}

TEST_F(PackageTest, ACancelledRepackKeepsTheOldPackage) {
  const Bytes old = WriteOldPackage();
  WriteFile(in("a.txt"), "abc");
  EXPECT_EQ(Repack(SystemFileSystem(), {}, "", [](Worker& worker) { worker.Cancel(); }),
            JobResult::kFailed);
  EXPECT_THAT(Problems(), ElementsAre(Text(text::kCancelled)));
  ExpectOldPackageKept(old);
}

TEST_F(PackageTest, APackageInsideThePackRootNeverPacksItself) {
  WriteFile(in("fw.hxf"), "the old package");
  WriteFile(in("a.txt"), "abc");
  EXPECT_EQ(Repack(SystemFileSystem(), {dir_ / "in_hxf"}, in("fw.hxf")), JobResult::kSucceeded);
  EXPECT_EQ(ReadFile(in("fw.hxf")), testing::BuildPackage({{"a.txt", "abc"}}));
  EXPECT_THAT(testing::NamesIn(dir_ / "in_hxf"), ElementsAre("a.txt", "fw.hxf"));
}

// The job needs nothing of a disk: over a file system in memory, and with faults over that, it
// behaves as on the host's.
TEST_F(PackageTest, PacksInMemoryAsOnDiskAndKeepsThePackageWhenADiskFills) {
  testing::MemoryFileSystem memory;
  memory.AddFile("/w/in_hxf/z.txt", {});
  memory.AddFile("/w/in_hxf/sub/b.bin", testing::ToBytes("\x01\x02\x03\x04\x05"));
  auto repack = [&](FileSystem& file_system) { return Repack(file_system, {}, "/w/fw.hxf"); };
  EXPECT_EQ(repack(memory), JobResult::kSucceeded);
  const Bytes expected =
      testing::BuildPackage({{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}});
  EXPECT_EQ(memory.FileContent("/w/fw.hxf"), expected);

  testing::Faults full;
  full.disk_space = 70;
  testing::FaultyFileSystem faulty(full, memory);
  memory.AddFile("/w/in_hxf/new.bin", testing::ToBytes("more"));
  EXPECT_EQ(repack(faulty), JobResult::kFailed);
  EXPECT_EQ(memory.FileContent("/w/fw.hxf"), expected);
  EXPECT_EQ(memory.Names("/w"), (std::vector<std::string>{"fw.hxf", "in_hxf"}));
}

// Files whose order in a package depends on the sorting rules and on the name conversion.
const std::vector<TestEntry> kTree = {
    {"a.bin", "lower"},
    {"B.bin", "upper, sorts after a.bin"},
    {"Font", "prefix"},
    {"font2/f.bin", "longer"},
    {"\xFF"
     "raw.bin",
     "0xFF is not UTF-8: kept as a raw byte, sorted first"},
    {"中文.txt", "GBK"},
    {"固件/系统/数据.bin", std::string("\0\x01\x02\x03\xFF", 5)},
    {"zero.bin", ""},
};

TEST_F(PackageTest, ATreePacksAndUnpacksToTheSameFilesAndRepacksToTheSameBytes) {
  for (const TestEntry& file : kTree) WriteFile(in(file.name), file.data);
  ASSERT_EQ(Repack(), JobResult::kSucceeded);
  const Bytes first = package();
  EXPECT_EQ(testing::EntryNames(testing::ReadEntries(first)),
            (std::vector<std::string>{"\xFF"
                                      "raw.bin",
                                      "a.bin", "B.bin", "Font", "font2\\f.bin", "zero.bin",
                                      "\xB9\xCC\xBC\xFE\\\xCF\xB5\xCD\xB3\\\xCA\xFD\xBE\xDD.bin",
                                      "\xD6\xD0\xCE\xC4.txt"}));

  // Unpack into a second in_hxf, then pack that.
  TempDir second;
  testing::RecordingLog log;
  Joined<TExtract> extract(log, dir_ / "fw.hxf",
                           TExtract::Settings{.unpack_root = second / "in_hxf"});
  testing::RunToEnd(extract);
  ASSERT_EQ(extract.result(), JobResult::kSucceeded);
  EXPECT_EQ(testing::ListFilesRecursively(second / "in_hxf"),
            testing::ListFilesRecursively(dir_ / "in_hxf"));
  for (const TestEntry& file : kTree) {
    EXPECT_EQ(ReadFile(second / ("in_hxf/" + file.name)), testing::ToBytes(file.data)) << file.name;
  }

  Joined<TPackage> repack(log, second / "fw.hxf");
  testing::RunToEnd(repack);
  ASSERT_EQ(repack.result(), JobResult::kSucceeded);
  EXPECT_EQ(ReadFile(second / "fw.hxf"), first);
}

}  // namespace
}  // namespace hxf
