// The contract of core/file_system.h, as one suite run over every implementation: the host's own
// file system and the in-memory one the tests use. What only one host can show (hard links, the
// permission bits; long paths and junctions) is in file_system_posix_test.cc and
// file_system_win32_test.cc, for that host alone.
#include "core/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "tests/support/file_system_host.h"
#include "tests/support/files.h"

namespace hxf {
namespace {

using testing::Bytes;
using testing::FileSystemHost;
using testing::ToBytes;

struct Implementation {
  const char* name;
  std::function<std::unique_ptr<FileSystemHost>()> make;
};

class FileSystemContract : public ::testing::TestWithParam<Implementation> {
 protected:
  FileSystemContract() : host_(GetParam().make()), dir_(*host_) {}

  FileSystem& fs() { return host_->fs(); }
  std::unique_ptr<Directory> Root() {
    Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir_.root(), false);
    EXPECT_TRUE(root.ok()) << root.status().message();
    return root.ok() ? std::move(root.value()) : nullptr;
  }
  Bytes Read(const std::string& relative) { return host_->Read(dir_ / relative).value_or(Bytes{}); }
  bool OnlyFiles(std::vector<std::string> expected) {
    std::sort(expected.begin(), expected.end());
    return host_->Names(dir_.root()) == expected;
  }

  std::unique_ptr<FileSystemHost> host_;
  FileSystemHost& dir_;
};

TEST_P(FileSystemContract, FilesAreOpenedWithoutSharing) {
  host_->Write(dir_ / "p.hxf", "package");
  Result<std::unique_ptr<InputFile>> first = fs().OpenForReading(dir_ / "p.hxf");
  ASSERT_TRUE(first.ok());
  Result<std::unique_ptr<InputFile>> second = fs().OpenForReading(dir_ / "p.hxf");
  EXPECT_EQ(second.status().code(), Status::Code::kBusy);
  EXPECT_NE(second.status().message().find("p.hxf"), std::string::npos);
  Result<std::unique_ptr<OutputFile>> replace = fs().CreateReplacing(dir_ / "p.hxf");
  EXPECT_EQ(replace.status().code(), Status::Code::kBusy);
  first.value().reset();
  EXPECT_TRUE(fs().OpenForReading(dir_ / "p.hxf").ok());
}

// Packers read a tree's files shared: any number may read one at once, but none while one of our
// jobs writes or replaces it, and nothing replaces it while one reads it.
TEST_P(FileSystemContract, SourceFilesAreHeldSharedWithOtherReadersOnly) {
  host_->Write(dir_ / "f.bin", "data");
  std::unique_ptr<Directory> root = Root();
  Result<std::unique_ptr<InputFile>> first = root->OpenFile("f.bin");
  Result<std::unique_ptr<InputFile>> second = root->OpenFile("f.bin");
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_EQ(root->CreateFile("f.bin").status().code(), Status::Code::kBusy);
  EXPECT_EQ(fs().CreateReplacing(dir_ / "f.bin").status().code(), Status::Code::kBusy);
  EXPECT_EQ(fs().OpenForReading(dir_ / "f.bin").status().code(), Status::Code::kBusy);
  first.value().reset();
  second.value().reset();

  Result<std::unique_ptr<OutputFile>> writing = root->CreateFile("f.bin");
  ASSERT_TRUE(writing.ok());
  EXPECT_EQ(root->OpenFile("f.bin").status().code(), Status::Code::kBusy);
}

TEST_P(FileSystemContract, MissingFileIsNamedInTheError) {
  Result<std::unique_ptr<InputFile>> missing = fs().OpenForReading(dir_ / "none.hxf");
  EXPECT_EQ(missing.status().code(), Status::Code::kNotFound);
  EXPECT_NE(missing.status().message().find("none.hxf"), std::string::npos);
}

TEST_P(FileSystemContract, ReplacementAppearsOnlyOnCommit) {
  host_->Write(dir_ / "p.hxf", "old");
  {
    Result<std::unique_ptr<OutputFile>> out = fs().CreateReplacing(dir_ / "p.hxf");
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE((*out)->Write(ToBytes("new, longer")).ok());
    EXPECT_EQ(Read("p.hxf"), ToBytes("old"));
    // Abandoned: the old file stays, the temporary one goes.
  }
  EXPECT_EQ(Read("p.hxf"), ToBytes("old"));
  EXPECT_TRUE(OnlyFiles({"p.hxf"}));

  Result<std::unique_ptr<OutputFile>> out = fs().CreateReplacing(dir_ / "p.hxf");
  ASSERT_TRUE(out.ok());
  ASSERT_TRUE((*out)->Write(ToBytes("new")).ok());
  ASSERT_TRUE((*out)->WriteAt(0, ToBytes("N")).ok());
  ASSERT_TRUE((*out)->Commit({}).ok());
  EXPECT_EQ(Read("p.hxf"), ToBytes("New"));
  out.value().reset();
  EXPECT_TRUE(OnlyFiles({"p.hxf"}));
}

// A file that takes a free name is written without one, and linked in on commit.
TEST_P(FileSystemContract, NewFileAppearsOnlyOnCommitAndLeavesNothingWhenAbandoned) {
  std::unique_ptr<Directory> root = Root();
  {
    Result<std::unique_ptr<OutputFile>> out = root->CreateFile("abandoned");
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE((*out)->Write(ToBytes("never finished")).ok());
  }
  EXPECT_TRUE(OnlyFiles({}));

  for (bool durable : {false, true}) {
    const std::string name = durable ? "package.hxf" : "file.bin";
    Result<std::unique_ptr<OutputFile>> out =
        durable ? fs().CreateReplacing(dir_ / name) : root->CreateFile(name);
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE((*out)->Write(ToBytes("whole")).ok());
    ASSERT_TRUE((*out)->WriteAt(0, ToBytes("W")).ok());
    EXPECT_FALSE(host_->Read(dir_ / name).has_value());
    ASSERT_TRUE((*out)->Commit({}).ok());
    EXPECT_EQ(Read(name), ToBytes("Whole"));
  }
  EXPECT_TRUE(OnlyFiles({"file.bin", "package.hxf"}));
}

// A package edited in place is read through the hold its replacement has on it: from its start,
// while no other job can open it; the commit replaces it even while it is still open so.
TEST_P(FileSystemContract, TheReplacedFileIsReadThroughTheReplacementsHold) {
  host_->Write(dir_ / "p.hxf", "old package");
  Result<std::unique_ptr<OutputFile>> out = fs().CreateReplacing(dir_ / "p.hxf");
  ASSERT_TRUE(out.ok()) << out.status().message();
  Result<std::unique_ptr<InputFile>> old = (*out)->OpenReplaced();
  ASSERT_TRUE(old.ok()) << old.status().message();
  EXPECT_EQ((*old)->size(), 11u);
  auto rest = [&] {
    Bytes read;
    std::byte buffer[4];
    for (Result<std::size_t> got = (*old)->Read(buffer); got.ok() && *got > 0;
         got = (*old)->Read(buffer)) {
      read.insert(read.end(), buffer, buffer + *got);
    }
    return read;
  };
  EXPECT_EQ(rest(), ToBytes("old package"));
  ASSERT_TRUE((*old)->Seek(4).ok());
  EXPECT_EQ(rest(), ToBytes("package"));
  EXPECT_EQ(fs().OpenForReading(dir_ / "p.hxf").status().code(), Status::Code::kBusy);

  ASSERT_TRUE((*out)->Write(ToBytes("new")).ok());
  Status committed = (*out)->Commit({});
  EXPECT_TRUE(committed.ok()) << committed.message();
  old.value().reset();
  out.value().reset();
  EXPECT_EQ(Read("p.hxf"), ToBytes("new"));
  EXPECT_TRUE(OnlyFiles({"p.hxf"}));

  Result<std::unique_ptr<OutputFile>> fresh = fs().CreateReplacing(dir_ / "fresh.hxf");
  ASSERT_TRUE(fresh.ok());
  EXPECT_EQ((*fresh)->OpenReplaced().status().code(), Status::Code::kNotFound);
}

// A job told to stop never replaces anything: whichever of the commit's looks at the stop first
// finds it set (before the flush, between its steps, after it), the file it would replace stays
// as it was, and nothing is left beside it. The looks are counted first, on a commit that goes
// through.
TEST_P(FileSystemContract, ACommitToldToStopReplacesNothing) {
  host_->Write(dir_ / "p.hxf", "old");
  std::unique_ptr<Directory> root = Root();
  for (const bool durable : {false, true}) {
    SCOPED_TRACE(durable ? "a package" : "an unpacked file");
    const std::string name = durable ? "p.hxf" : "file.bin";
    auto start = [&] {
      Result<std::unique_ptr<OutputFile>> out =
          durable ? fs().CreateReplacing(dir_ / name) : root->CreateFile(name);
      EXPECT_TRUE(out.ok() && (*out)->Write(ToBytes("new")).ok());
      return out.ok() ? std::move(out.value()) : nullptr;
    };
    int looks = 0;
    const StopRequest count_looks = [&looks] {
      ++looks;
      return false;
    };
    ASSERT_TRUE(start()->Commit(count_looks).ok());
    EXPECT_GE(looks, 1);
    for (int stop_at = 1; stop_at <= looks; ++stop_at) {
      SCOPED_TRACE("stopped at look " + std::to_string(stop_at));
      host_->Write(dir_ / name, "old");
      int asked = 0;
      std::unique_ptr<OutputFile> out = start();
      const Status committed = out->Commit([&] { return ++asked >= stop_at; });
      EXPECT_EQ(committed.code(), Status::Code::kCancelled);
      EXPECT_NE(committed.message().find(name), std::string::npos);
      out.reset();
      EXPECT_EQ(Read(name), ToBytes("old"));
      EXPECT_TRUE(OnlyFiles({"file.bin", "p.hxf"}));
    }
  }
}

TEST_P(FileSystemContract, NameTakenWhileAFileIsWrittenIsReplacedOnCommit) {
  std::unique_ptr<Directory> root = Root();
  Result<std::unique_ptr<OutputFile>> out = root->CreateFile("contested");
  ASSERT_TRUE(out.ok());
  ASSERT_TRUE((*out)->Write(ToBytes("ours")).ok());
  host_->Write(dir_ / "contested", "someone else's");
  ASSERT_TRUE((*out)->Commit({}).ok());
  out.value().reset();
  EXPECT_EQ(Read("contested"), ToBytes("ours"));
  EXPECT_TRUE(OnlyFiles({"contested"}));
}

TEST_P(FileSystemContract, CreateFileRefusesWhatItMustNotReplace) {
  std::unique_ptr<Directory> root = Root();
  host_->MakeDirectory(dir_ / "a_directory");
  host_->Write(dir_ / "read_only", "keep");
  ASSERT_TRUE(host_->MakeReadOnly(dir_ / "read_only"));
  for (const char* name : {"a_directory", "read_only"}) {
    Result<std::unique_ptr<OutputFile>> out = root->CreateFile(name);
    EXPECT_FALSE(out.ok()) << name;
    EXPECT_NE(out.status().message().find(name), std::string::npos);
  }
  EXPECT_EQ(Read("read_only"), ToBytes("keep"));
}

// `hxf pack /dev/null` once replaced the system's /dev/null with a package.
TEST_P(FileSystemContract, APackageReplacesOnlyARegularFile) {
  host_->MakeDirectory(dir_ / "a_directory");
  const bool special = host_->MakeSpecial(dir_ / "special");
  for (const char* name : {"a_directory", "special"}) {
    if (std::string(name) == "special" && !special) continue;
    Result<std::unique_ptr<OutputFile>> out = fs().CreateReplacing(dir_ / name);
    EXPECT_EQ(out.status().code(), Status::Code::kInvalidArgument) << name;
    EXPECT_NE(out.status().message().find(name), std::string::npos);
  }
  EXPECT_TRUE(host_->IsDirectory(dir_ / "a_directory"));
  EXPECT_TRUE(OnlyFiles(special ? std::vector<std::string>{"a_directory", "special"}
                                : std::vector<std::string>{"a_directory"}));
}

TEST_P(FileSystemContract, APackageAtALinkReplacesTheLinksTargetAndKeepsTheLink) {
  host_->MakeDirectory(dir_ / "real");
  host_->Write(dir_ / "real/p.hxf", "old");
  if (!host_->MakeLink(dir_ / "p.hxf", dir_ / "real/p.hxf")) GTEST_SKIP() << "no links here";
  Result<std::unique_ptr<OutputFile>> out = fs().CreateReplacing(dir_ / "p.hxf");
  ASSERT_TRUE(out.ok()) << out.status().message();
  ASSERT_TRUE((*out)->Write(ToBytes("new")).ok());
  ASSERT_TRUE((*out)->Commit({}).ok());
  out.value().reset();
  EXPECT_TRUE(host_->IsLink(dir_ / "p.hxf"));
  EXPECT_EQ(Read("real/p.hxf"), ToBytes("new"));
  EXPECT_EQ(host_->Names(dir_ / "real"), std::vector<std::string>{"p.hxf"});
}

TEST_P(FileSystemContract, LinksInsideTheTreeAreNeverWrittenThrough) {
  host_->Write(dir_ / "outside/target", "precious");
  host_->MakeDirectory(dir_ / "tree");
  if (!host_->MakeLink(dir_ / "tree/dir_link", dir_ / "outside") ||
      !host_->MakeLink(dir_ / "tree/file_link", dir_ / "outside/target")) {
    GTEST_SKIP() << "no links here";
  }
  Result<std::unique_ptr<Directory>> root = fs().OpenDirectory(dir_ / "tree", false);
  ASSERT_TRUE(root.ok());

  EXPECT_FALSE((*root)->MakeSubdirectory("dir_link").ok());

  Result<std::unique_ptr<OutputFile>> out = (*root)->CreateFile("file_link");
  ASSERT_TRUE(out.ok());
  ASSERT_TRUE((*out)->Write(ToBytes("replaced")).ok());
  ASSERT_TRUE((*out)->Commit({}).ok());
  EXPECT_EQ(Read("outside/target"), ToBytes("precious"));
  EXPECT_EQ(Read("tree/file_link"), ToBytes("replaced"));
  EXPECT_FALSE(host_->IsLink(dir_ / "tree/file_link"));
}

// An unpack that keeps the user's files compares each with its entry: what it reads must be the
// file in the tree itself, never one a link there leads to.
TEST_P(FileSystemContract, APlainFileIsOpenedOnlyWhenItIsARegularFileItself) {
  host_->Write(dir_ / "tree/mine", "edited");
  host_->MakeDirectory(dir_ / "tree/sub");
  host_->Write(dir_ / "outside/target", "precious");
  const bool links = host_->MakeLink(dir_ / "tree/link", dir_ / "outside/target");
  const bool special = host_->MakeSpecial(dir_ / "tree/pipe");
  Result<std::unique_ptr<Directory>> tree = fs().OpenDirectory(dir_ / "tree", false);
  ASSERT_TRUE(tree.ok());

  Result<std::unique_ptr<InputFile>> mine = (*tree)->OpenPlainFile("mine");
  ASSERT_TRUE(mine.ok()) << mine.status().message();
  std::byte buffer[16];
  Result<std::size_t> got = (*mine)->Read(buffer);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(Bytes(buffer, buffer + *got), ToBytes("edited"));
  // Held as a packer holds its sources: shared with readers, never while it is replaced.
  EXPECT_TRUE((*tree)->OpenPlainFile("mine").ok());
  EXPECT_EQ((*tree)->CreateFile("mine").status().code(), Status::Code::kBusy);

  EXPECT_EQ((*tree)->OpenPlainFile("none").status().code(), Status::Code::kNotFound);
  std::vector<std::string> refused = {"sub"};
  if (links) refused.push_back("link");
  if (special) refused.push_back("pipe");
  for (const std::string& name : refused) {
    Result<std::unique_ptr<InputFile>> opened = (*tree)->OpenPlainFile(name);
    ASSERT_FALSE(opened.ok()) << name;
    EXPECT_NE(opened.status().code(), Status::Code::kNotFound) << name;
    EXPECT_NE(opened.status().message().find(name), std::string::npos) << name;
  }
}

TEST_P(FileSystemContract, ListingReportsKindsAfterFollowingLinks) {
  host_->Write(dir_ / "file", "x");
  host_->MakeDirectory(dir_ / "sub");
  const bool links =
      host_->MakeLink(dir_ / "sub_link", "sub") && host_->MakeLink(dir_ / "dangling", "nowhere");
  const bool special = host_->MakeSpecial(dir_ / "pipe");
  std::unique_ptr<Directory> root = Root();
  Result<Listing> entries = root->List();
  ASSERT_TRUE(entries.ok());
  std::map<std::string, std::pair<EntryKind, bool>> kinds;
  for (const DirectoryEntry entry : *entries)
    kinds[std::string(entry.name)] = {entry.kind, entry.link};
  std::map<std::string, std::pair<EntryKind, bool>> expected = {
      {"file", {EntryKind::kFile, false}}, {"sub", {EntryKind::kDirectory, false}}};
  if (links) {
    expected["sub_link"] = {EntryKind::kDirectory, true};
    expected["dangling"] = {EntryKind::kOther, true};
  }
  if (special) expected["pipe"] = {EntryKind::kOther, false};
  EXPECT_EQ(kinds, expected);
  // A pipe in a file's place is refused at once rather than waited on.
  if (special) {
    EXPECT_FALSE(root->OpenFile("pipe").ok());
  }
  EXPECT_EQ(root->id(), *fs().Identify(dir_.root()));
  EXPECT_EQ(*root->Identify("file"), *fs().Identify(dir_ / "file"));
  EXPECT_EQ(root->Identify("none").status().code(), Status::Code::kNotFound);
}

// A link to /etc must not put the system's files into a package.
// The sizes a tree's count adds up: each file's, by the listing's order; 0 for a folder.
TEST_P(FileSystemContract, AListingWithSizesGivesEachFilesSize) {
  host_->Write(dir_ / "three", "abc");
  host_->Write(dir_ / "empty", "");
  host_->MakeDirectory(dir_ / "sub");
  host_->Write(dir_ / "sub/inside", "not counted here");
  std::unique_ptr<Directory> root = Root();
  Result<SizedListing> sized = root->ListWithSizes();
  ASSERT_TRUE(sized.ok());
  ASSERT_EQ(sized->sizes.size(), sized->listing.size());
  std::map<std::string, std::uint64_t> sizes;
  for (std::size_t i = 0; i < sized->listing.size(); ++i) {
    sizes[std::string(sized->listing[i].name)] = sized->sizes[i];
  }
  EXPECT_EQ(sizes, (std::map<std::string, std::uint64_t>{{"empty", 0}, {"sub", 0}, {"three", 3}}));
  EXPECT_EQ(*root->FileSize("three"), 3u);
  EXPECT_FALSE(root->FileSize("missing").ok());
}

TEST_P(FileSystemContract, TellsWhetherALinkLeadsInsideADirectory) {
  host_->Write(dir_ / "outside/secret", "x");
  host_->Write(dir_ / "tree/sub/f", "f");
  if (!host_->MakeLink(dir_ / "tree/sub/up", "../sub/f") ||
      !host_->MakeLink(dir_ / "tree/sub/out", "../../outside/secret") ||
      !host_->MakeLink(dir_ / "tree/sub/absolute", dir_ / "tree") ||
      !host_->MakeLink(dir_ / "tree/sub/via", "out") ||
      !host_->MakeLink(dir_ / "tree/sub/dangling", "nowhere")) {
    GTEST_SKIP() << "no links here";
  }
  Result<std::unique_ptr<Directory>> tree = fs().OpenDirectory(dir_ / "tree", false);
  ASSERT_TRUE(tree.ok());
  Result<std::unique_ptr<Directory>> sub = (*tree)->OpenSubdirectory("sub");
  ASSERT_TRUE(sub.ok());
  const std::map<std::string, bool> cases = {
      {"up", true}, {"out", false}, {"absolute", true}, {"via", false}};
  for (const auto& [name, inside] : cases) {
    Result<bool> leads = (*sub)->LinkLeadsInside(name, **tree);
    ASSERT_TRUE(leads.ok()) << name;
    EXPECT_EQ(*leads, inside) << name;
  }
  EXPECT_FALSE((*sub)->LinkLeadsInside("dangling", **tree).ok());
}

INSTANTIATE_TEST_SUITE_P(Implementations, FileSystemContract,
                         ::testing::Values(Implementation{"host", testing::MakeSystemHost},
                                           Implementation{"memory", testing::MakeMemoryHost}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hxf
