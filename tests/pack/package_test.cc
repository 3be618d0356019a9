#include "tests/pack/package_test.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/byte_order.h"
#include "core/log_texts.h"
#include "core/package_format.h"
#include "pack/edit.h"
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
    EXPECT_EQ(Repack(), c.entries.empty() ? JobResult::kProblems : JobResult::kSucceeded);
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

// A new package may be empty; but a folder without files is seldom what the user meant to pack,
// so the job says so and ends with problems.
TEST_F(PackageTest, AMissingPackRootIsCreatedAndGivesAnEmptyPackageWithAWord) {
  EXPECT_EQ(Repack(), JobResult::kProblems);
  EXPECT_EQ(package(), testing::BuildPackage({}));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "in_hxf"));
  EXPECT_THAT(Problems(), ElementsAre(Text(text::kFolderEmpty, dir_ / "in_hxf"),
                                      Text(text::kPackProblems, "1")));
  EXPECT_FALSE(LoggedFileClosed());
}

TEST_F(PackageTest, ALongerOldPackageLeavesNoTrace) {
  WriteOldPackage(100000);
  WriteFile(in("a.txt"), "abc");
  EXPECT_EQ(Repack(), JobResult::kSucceeded);
  EXPECT_EQ(package(), testing::BuildPackage({{"a.txt", "abc"}}));
}

// A package made with files left out never ends on the plain success line, nor says it: its last
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
  EXPECT_THAT(log_->NewestFirst(),
              ::testing::Not(::testing::Contains(Text(text::kPackProblems, "3"))));
  EXPECT_EQ(log_->NewestFirst()[0], Text(text::kPackIncomplete, "2"));
  EXPECT_EQ(log_->NewestFirst()[1], Text(text::kPackingDone));
  EXPECT_FALSE(LoggedFileClosed());

  // Problems that left nothing out are counted instead.
  std::filesystem::remove(in("bad\\name.txt"));
  std::filesystem::remove(in("bad:name.txt"));
  EXPECT_EQ(Repack(faulty), JobResult::kProblems);
  EXPECT_EQ(log_->NewestFirst()[0], Text(text::kPackProblems, "1"));
  EXPECT_EQ(log_->NewestFirst()[1], Text(text::kPackingDone));
  EXPECT_FALSE(LoggedFileClosed());

  // Names left out for their dot are counted on a line of their own, which is no problem.
  std::filesystem::remove(in("shrinks.bin"));
  WriteFile(in(".git/config"), "x");
  WriteFile(in("sub/.keep"), "");
  EXPECT_EQ(Repack(), JobResult::kSucceeded);
  EXPECT_EQ(log_->NewestFirst()[0], Text(text::kHiddenCount, "2"));
  EXPECT_EQ(log_->NewestFirst()[1], Text(text::kFileClosed));
  EXPECT_TRUE(Problems().empty());
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

TEST_F(PackageTest, APackageHeldByAnotherJobFailsTheRepackAndIsKept) {
  const Bytes old = WriteOldPackage();
  WriteFile(in("a.txt"), "abc");
  Result<std::unique_ptr<InputFile>> held = SystemFileSystem().OpenForReading(package_path());
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(Repack(), JobResult::kNotOpened);
  ASSERT_EQ(Problems().size(), 1u);
  EXPECT_THAT(Problems()[0], StartsWith(Text(text::kCannotCreatePackage, package_path() + ": ")));
  held.value().reset();  // a file held without sharing cannot be read back, on Windows
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

// Readers handle positions as signed 32-bit values: the record that would take the package to
// 2 GiB is refused before it is written, and the old package stays.
TEST_F(PackageTest, APackageThatWouldReach2GiBFailsAsAWhole) {
  const Bytes old = WriteOldPackage();
  // a.bin leaves 10 bytes, enough for b.bin's data and fixed fields but not for its name: the
  // count made before packing lets it pass, and the record is refused when it comes.
  const std::uint64_t a_size =
      format::kMaxPackageSize - format::kEmptyPackageSize - format::kRecordOverhead - 5 - 10;
  testing::MakeSparseFile(in("a.bin"), a_size);
  WriteFile(in("b.bin"), "b");
  testing::Faults faults;
  faults.stored_bytes = 1 << 20;
  testing::FaultyFileSystem faulty(faults);
  EXPECT_EQ(Repack(faulty), JobResult::kFailed);
  EXPECT_THAT(Problems(), ElementsAre(Text(text::kPackageTooLarge, package_path())));
  ExpectOldPackageKept(old);
}

// The tree's sizes are counted before a byte is written: a tree too large for one package is
// refused at once, before its files are even listed for packing, let alone copied.
TEST_F(PackageTest, ATreeTooLargeForAPackageIsRefusedBeforeAnythingIsWritten) {
  const Bytes old = WriteOldPackage();
  testing::MakeSparseFile(in("a.bin"), std::uint64_t{1} << 30);
  testing::MakeSparseFile(in("sub/b.bin"), std::uint64_t{1} << 30);
  EXPECT_EQ(Repack(), JobResult::kFailed);
  ASSERT_EQ(Problems().size(), 1u);
  EXPECT_THAT(Problems()[0], StartsWith(Text(text::kPackageTooLarge, package_path()) + ": "));
  // Only the package's own line: no file was listed for packing.
  EXPECT_THAT(log_->texts(),
              ElementsAre("Adding" + package_path() + Text(text::kPack), Problems()[0]));
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

// Both jobs that replace a package, a repack and an edit in place: a stop that comes while the
// new package is flushed keeps the old one byte for byte; one that comes once the new one has its
// name is too late to undo anything, and the job reports what it did.
TEST_F(PackageTest,
       AStopWhileThePackageIsFlushedKeepsTheOldOneAndAStopAfterTheCommitChangesNothing) {
  WriteFile(in("a.txt"), "abc");
  const Bytes old = testing::BuildPackage({{"a.txt", "old"}, {"b.txt", "b"}});
  Worker* running = nullptr;
  auto run = [&](bool edit, FileSystem& file_system) {
    log_ = std::make_unique<testing::RecordingLog>();
    std::unique_ptr<Worker> job;
    if (edit) {
      job = MakeWorker<TEdit>(*log_, package_path(), TEdit::Settings{.remove = {"b.txt"}},
                              file_system);
    } else {
      job = MakeWorker<TPackage>(*log_, package_path(), TPackage::Settings{}, file_system);
    }
    running = job.get();
    testing::RunToEnd(*job);
    return job->result();
  };
  for (const bool edit : {false, true}) {
    SCOPED_TRACE(edit ? "remove" : "pack");
    WriteFile(package_path(), old);
    testing::Faults slow_flush;
    slow_flush.while_flushing = [&] { running->Cancel(); };
    testing::FaultyFileSystem flushing(slow_flush);
    EXPECT_EQ(run(edit, flushing), JobResult::kFailed);
    EXPECT_THAT(Problems(), ElementsAre(Text(text::kCancelled)));
    ExpectOldPackageKept(old);

    testing::Faults committed;
    committed.after_commit = [&] { running->Cancel(); };
    testing::FaultyFileSystem late(committed);
    EXPECT_EQ(run(edit, late), JobResult::kSucceeded);
    EXPECT_THAT(Problems(), ElementsAre());
    EXPECT_TRUE(LoggedFileClosed());
    EXPECT_EQ(package(), edit ? testing::BuildPackage({{"a.txt", "old"}})
                              : testing::BuildPackage({{"a.txt", "abc"}}));
  }
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
