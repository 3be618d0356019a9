// The `hxf` program as a user's script runs it: arguments in, exit status and text out.

#include "tests/cli/cli_test.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>

#include "core/log_texts.h"
#include "core/version.h"
#include "tests/support/files.h"
#include "tests/support/links.h"
#include "tests/support/package_bytes.h"
#include "tests/support/run_command.h"

namespace hxf {
namespace {

const std::vector<std::string> kRawNames = {"--names", "raw"};
// Raw names keep bytes that need not be UTF-8: a host whose names are bytes holds them as they
// are, Windows (whose names are UTF-16) cannot.
#ifdef _WIN32
constexpr bool kHostNamesAreBytes = false;
#else
constexpr bool kHostNamesAreBytes = true;
#endif

using testing::BuildPackage;
using testing::Bytes;
using testing::CommandResult;
using testing::ReadFile;
using testing::TempDir;
using testing::ToBytes;

TEST_F(CliTest, UnpackWritesBesideThePackageAndPrintsTheFinalLine) {
  CommandResult result = Hxf({"unpack", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err, std::string(text::kUnpackDone) + "\n");
  EXPECT_TRUE(result.out.empty());
  EXPECT_EQ(ReadFile(dir_ / "out_hxf/sub/b.bin"), ToBytes("\x01\x02\x03\x04\x05"));
  EXPECT_TRUE(testing::Exists(dir_ / "out_hxf/z.txt"));
}

TEST_F(CliTest, UnpackIntoAChosenDirectory) {
  CommandResult result = Hxf({"unpack", package(), "-C", dir_ / "elsewhere/deep", "-q"});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_TRUE(result.err.empty());  // quiet: nothing but problems
  EXPECT_TRUE(testing::Exists(dir_ / "elsewhere/deep/sub/b.bin"));
  EXPECT_FALSE(testing::Exists(dir_ / "out_hxf"));
}

TEST_F(CliTest, ProblemsGiveExitStatusOneAndNameTheFile) {
  testing::WriteFile(package(), testing::BuildPackage({{"..\\evil", "x"}, {"ok", "y"}}));
  CommandResult result = Hxf({"unpack", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.err.find(std::string(text::kUnsafeName) + "..\\evil"), std::string::npos);
  EXPECT_TRUE(testing::Exists(dir_ / "out_hxf/ok"));
}

TEST_F(CliTest, AMissingPackageGivesExitStatusTwo) {
  for (const char* command : {"unpack", "list", "verify"}) {
    CommandResult result = Hxf({command, "missing.hxf"});
    EXPECT_EQ(result.exit_status, 2) << command;
    EXPECT_NE(result.err.find("missing.hxf"), std::string::npos) << command;
    EXPECT_NE(result.err.find(testing::NotFoundReason()), std::string::npos) << command;
  }
}

TEST_F(CliTest, ListShowsLengthAndNameInPackageOrder) {
  CommandResult result = Hxf({"list", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, "         5  sub\\b.bin\n         0  z.txt\n");
}

// Each name printed can be read back: control and non-UTF-8 bytes as \xNN, and a backslash of
// the name that would start an escape doubled.
TEST_F(CliTest, ListInDetailAndWithNamesThatCannotPassForSeparatorsOrEscapes) {
  struct Case {
    std::vector<std::string> arguments;
    std::vector<testing::TestEntry> entries;
    std::string out;
  };
  const Case cases[] = {
      {{"list", "-l", "fw.hxf"},
       {{"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}},
       "        64  0x20           5  sub\\b.bin\n        87  0x20           0  z.txt\n"},
      {{"list", "fw.hxf"}, {{"a\nb", "1"}}, "         1  a\\x0Ab\n"},
      {{"list", "fw.hxf"}, {{"a\\x0Ab", "1"}}, "         1  a\\\\x0Ab\n"},
      {{"list", "fw.hxf"}, {{"a\\\\b", "1"}}, "         1  a\\\\\\b\n"},
      {{"list", "fw.hxf"}, {{"a\\\x7F", "1"}}, "         1  a\\\\\\x7F\n"},
      {{"list", "fw.hxf"}, {{"a\\", "1"}}, "         1  a\\\n"},
      {{"list", "fw.hxf"}, {{"a\\\\", "1"}}, "         1  a\\\\\\\n"},
      {{"--names", "raw", "list", "fw.hxf"}, {{"\xD6\xD0\\y", "1"}}, "         1  \\xD6\\xD0\\y\n"},
      {{"list", "fw.hxf"}, {{"\xD6\xD0\\y", "1"}}, "         1  中\\y\n"},
  };
  for (const Case& c : cases) {
    testing::WriteFile(package(), testing::BuildPackage(c.entries));
    CommandResult result = Hxf(c.arguments);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, c.out) << ::testing::PrintToString(c.arguments);
  }
}

// One JSON document on standard output; each row names a value by its JSON pointer.
TEST_F(CliTest, JsonDocumentsForScripts) {
  Bytes flipped = kExample;
  flipped[80] ^= std::byte{1};
  struct Case {
    Bytes package;
    std::vector<std::string> arguments;
    int exit_status;
    std::vector<std::pair<std::string, nlohmann::json>> values;
  };
  const Case cases[] = {
      {kExample,
       {"list", "--json", "fw.hxf"},
       0,
       {{"/entries/0/name", "sub\\b.bin"},
        {"/entries/0/name_hex", "7375625c622e62696e"},
        {"/entries/0/offset", 64},
        {"/entries/0/attribute", 32},
        {"/entries/0/size", 5},
        {"/entries/1/name", "z.txt"},
        {"/entries/1/offset", 87},
        {"/corruption", nullptr}}},
      {testing::BuildPackage({{"\xD6\xD0\xFF", "1"}}),
       {"list", "--json", "fw.hxf"},
       0,
       {{"/entries/0/name_hex", "d6d0ff"}}},
      {Bytes(kExample.begin(), kExample.begin() + 90),
       {"list", "--json", "fw.hxf"},
       1,
       {{"/entries/0/offset", 64}, {"/corruption/kind", "cut_short"}, {"/corruption/offset", 87}}},
      {kExample,
       {"verify", "--json", "fw.hxf"},
       0,
       {{"/ok", true},
        {"/header/length", 105},
        {"/header/checksum", 0xBB483C9D},
        {"/body_checksum", 0xBB483C9D},
        {"/entries/1/name", "z.txt"},
        {"/findings/4/kind", "records"},
        {"/findings/4/passed", true},
        {"/findings/6/kind", "windows names"},
        {"/findings/6/grade", "ok"},
        {"/warnings", 0}}},
      {flipped,
       {"verify", "--json", "fw.hxf"},
       1,
       {{"/ok", false},
        {"/findings/3/kind", "checksum"},
        {"/findings/3/passed", false},
        {"/findings/3/message", "header says 0xBB483C9D, body sums to 0xBB483C9E"}}},
      {testing::BuildPackage({{"a", "1"}, {"A", "2"}}),
       {"verify", "--json", "fw.hxf"},
       1,
       {{"/findings/5/kind", "names"},
        {"/findings/5/offset", 75},
        {"/findings/5/message",
         "\"A\" at offset 75: the same file as the entry at offset 64 (case ignored); "
         "unpacking on Windows writes this entry over that one"}}},
      {testing::BuildPackage({{"aux.bin", "1"}}),
       {"verify", "--json", "fw.hxf"},
       1,
       {{"/ok", false},
        {"/warnings", 1},
        {"/findings/5/kind", "names"},
        {"/findings/5/passed", true},
        {"/findings/6/kind", "windows names"},
        {"/findings/6/grade", "warning"},
        {"/findings/6/passed", false},
        {"/findings/6/offset", 64}}},
  };
  for (const Case& c : cases) {
    testing::WriteFile(package(), c.package);
    CommandResult result = Hxf(c.arguments);
    const std::string what = ::testing::PrintToString(c.arguments) + "\n" + result.out;
    EXPECT_EQ(result.exit_status, c.exit_status) << what;
    const nlohmann::json document = nlohmann::json::parse(result.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << what;
    for (const auto& [pointer, value] : c.values) {
      const nlohmann::json::json_pointer at(pointer);
      ASSERT_TRUE(document.contains(at)) << pointer << " in " << what;
      EXPECT_EQ(document[at], value) << pointer << " in " << what;
    }
  }
}

TEST_F(CliTest, VerifyPassesAGoodPackageAndFailsAnyFlippedBodyByte) {
  CommandResult good = Hxf({"verify", "fw.hxf"});
  EXPECT_EQ(good.exit_status, 0) << good.out;
  EXPECT_NE(good.out.find("fw.hxf: ok"), std::string::npos);
  EXPECT_EQ(good.out.find(" \n"), std::string::npos) << "trailing spaces:\n" << good.out;
  // Quiet, only what did not pass: nothing at all for a good package.
  CommandResult quiet = Hxf({"-q", "verify", "fw.hxf"});
  EXPECT_EQ(quiet.exit_status, 0);
  EXPECT_EQ(quiet.out, "");

  for (std::size_t at = 64; at < kExample.size(); ++at) {
    Bytes flipped = kExample;
    flipped[at] ^= std::byte{0x01};
    testing::WriteFile(package(), flipped);
    CommandResult bad = Hxf({"verify", "fw.hxf"});
    EXPECT_EQ(bad.exit_status, 1) << "byte " << at;
    EXPECT_NE(bad.out.find("FAILED"), std::string::npos) << "byte " << at;
  }
}

// A name whose bytes are not valid GBK is whole in the package, but unpacking cannot convert it:
// Windows cannot write it at all, other hosts write its bytes. verify warns before that happens.
TEST_F(CliTest, VerifyWarnsAboutNamesThatAreNotValidGbk) {
  testing::WriteFile(package(), BuildPackage({{"a.txt", "1"}, {"bad\xFF.txt", "2"}}));
  CommandResult result = Hxf({"-q", "verify", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 1) << result.out;
  EXPECT_EQ(result.out,
            "names         WARN   \"bad\\xFF.txt\" at offset 79: not valid GBK: unpacking keeps "
            "its bytes where the host allows them and refuses it on Windows\n");
  // Read as raw bytes, the name is what it is.
  EXPECT_EQ(Hxf({"--names", "raw", "verify", "fw.hxf"}).exit_status, 0);
}

// Files and folders whose names begin with a dot are left out of a repack, as they always were,
// but never without a word; --hidden keeps them, and diff reads a folder the same way.
TEST_F(CliTest, NamesBeginningWithADotNeverVanishWithoutAWord) {
  const Bytes made_elsewhere = BuildPackage(
      {{".config", "c"}, {"sub\\.keep", ""}, {"SYSTEM\\.hidden\\x", "h"}, {"SYSTEM\\a.bin", "a"}});
  testing::WriteFile(package(), made_elsewhere);
  CommandResult unpacked = Hxf({"unpack", "fw.hxf", "-C", "tree"});
  EXPECT_EQ(unpacked.exit_status, 0) << unpacked.err;
  EXPECT_EQ(unpacked.err,
            std::string(text::kUnpackDone) + "\n" + std::string(text::kHiddenUnpacked) + "3\n");

  CommandResult packed = Hxf({"pack", "repacked.hxf", "-C", "tree"});
  EXPECT_EQ(packed.exit_status, 0) << packed.err;
  EXPECT_EQ(packed.err,
            std::string(text::kFileClosed) + "\n" + std::string(text::kHiddenCount) + "3\n");
  EXPECT_EQ(ReadFile(dir_ / "repacked.hxf"), BuildPackage({{"SYSTEM\\a.bin", "a"}}));
  CommandResult named = Hxf({"-v", "pack", "repacked.hxf", "-C", "tree"});
  for (const char* name : {".config", "SYSTEM\\.hidden", "sub\\.keep"}) {
    EXPECT_NE(named.err.find(std::string(text::kHiddenLeftOut) + name + "\n"), std::string::npos)
        << name << ":\n"
        << named.err;
  }

  EXPECT_EQ(Hxf({"pack", "--hidden", "repacked.hxf", "-C", "tree"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir_ / "repacked.hxf"), made_elsewhere);

  CommandResult differs = Hxf({"diff", "fw.hxf", "tree"});
  EXPECT_EQ(differs.exit_status, 1);
  EXPECT_NE(differs.out.find("- .config"), std::string::npos) << differs.out;
  EXPECT_NE(differs.err.find(std::string(text::kHiddenCount) + "3"), std::string::npos);
  EXPECT_EQ(Hxf({"diff", "--hidden", "fw.hxf", "tree"}).exit_status, 0);

  // add: a folder taken whole, or a hidden path named.
  testing::WriteFile(package(), BuildPackage({{"SYSTEM\\a.bin", "a"}}));
  CommandResult added = Hxf({"add", "fw.hxf", "-C", "tree", "SYSTEM"});
  EXPECT_EQ(added.exit_status, 0) << added.err;
  EXPECT_EQ(added.err,
            std::string(text::kFileClosed) + "\n" + std::string(text::kHiddenCount) + "1\n");
  EXPECT_EQ(Hxf({"add", "--hidden", "fw.hxf", "-C", "tree", "SYSTEM", ".config"}).exit_status, 0);
  EXPECT_EQ(ReadFile(package()),
            BuildPackage({{".config", "c"}, {"SYSTEM\\.hidden\\x", "h"}, {"SYSTEM\\a.bin", "a"}}));
}

// One run of the program per row: the package it finds (none when absent), its arguments, the
// exit status it must give, texts its output (standard output and error together) must hold, and
// paths below the scratch directory that must not exist afterwards; then what else it needs on
// disk what must hold afterwards,
// and what standard output must be exactly, when that matters.
TEST_F(CliTest, CommandCases) {
  using testing::BuildPackage;
  using testing::Concat;
  using testing::Record;
  using testing::U32;
  using testing::WithHeader;
  auto changed = [](Bytes bytes, std::size_t at, char value) {
    bytes[at] = std::byte(value);
    return bytes;
  };
  Bytes trailing = kExample;
  trailing.push_back(std::byte{0});
  const std::string incomplete = std::string(text::kUnpackIncomplete);
  const std::string with_problems = std::string(text::kUnpackProblems);

  struct Case {
    const char* what;
    std::optional<Bytes> package;  // written as fw.hxf
    std::vector<std::string> arguments;
    int exit_status;
    std::vector<std::string> expected;
    std::vector<std::string> absent = {};
    std::function<void()> setup = [] {};                // what else the case needs on disk
    std::function<bool()> holds = [] { return true; };  // what must be so afterwards
    std::optional<std::string> out = std::nullopt;
  };
  const Bytes binary = BuildPackage({{"a.bin", std::string("\0\r\n\xFF\x1A", 5)}, {"A.TXT", "x"}});
  // Packing: a package the user had, and a folder to pack.
  const Bytes old = ToBytes("the user's firmware");
  auto old_kept = [&] { return ReadFile(package()) == old; };
  auto in_hxf = [&] { testing::WriteFile(dir_ / "in_hxf/a.txt", "abc"); };
  // Set by a setup when this host cannot make what its case needs (a pipe, a link): the case is
  // left out here, and named.
  bool cannot = false;
  // Whether in_hxf/`folder` holds two files, as a folder that tells case apart does.
  auto holds_both = [&](const std::string& folder) {
    return testing::ListFilesRecursively(dir_ / ("in_hxf/" + folder)).size() == 2;
  };
  auto link_out = [&] {
    in_hxf();
    testing::WriteFile(dir_ / "elsewhere.txt", "outside");
    cannot = !testing::MakeLink(dir_ / "in_hxf/b.txt", dir_ / "elsewhere.txt");
  };
  auto link_into_tree = [&] {
    testing::WriteFile(dir_ / "tree/a.txt", "abc");
    testing::WriteFile(dir_ / "elsewhere.txt", "outside");
    cannot = !testing::MakeLink(dir_ / "tree/b.txt", dir_ / "elsewhere.txt");
  };
  // An out_hxf where the user edited one of kExample's files and added one of their own.
  auto edited_out_hxf = [&] {
    testing::WriteFile(dir_ / "out_hxf/sub/b.bin", "edited");
    testing::WriteFile(dir_ / "out_hxf/notes.txt", "mine");
  };
  auto other_package = [&] {
    testing::WriteFile(dir_ / "other.hxf",
                       BuildPackage({{"a", "1"}, {"sub\\b.bin", "\x01\x02\x03\x04\x06"}}));
  };
  auto changed_tree = [&] {
    testing::WriteFile(dir_ / "tree/sub/b.bin", "\x01\x02\x03\x04\x05");
    testing::WriteFile(dir_ / "tree/z.txt", "abc");
    testing::WriteFile(dir_ / "tree/中/y", "");
  };
  const Case cases[] = {
      {"pack onto a pipe",
       old,
       {"pack", "pipe.hxf"},
       2,
       {std::string(text::kCannotCreatePackage) + "pipe.hxf: "},
       {},
       [&] {
         in_hxf();
         cannot = !testing::MakeSpecial(dir_ / "pipe.hxf");
       },
       [&] { return std::filesystem::is_fifo(dir_ / "pipe.hxf"); }},
      {"pack with -C naming no folder",
       old,
       {"pack", "fw.hxf", "-C", "missing/deep"},
       2,
       {"Directory does not exist: missing/deep"},
       {"missing"},
       in_hxf,
       old_kept},
      {"pack of an empty folder over a package",
       old,
       {"pack", "fw.hxf", "-C", "empty"},
       2,
       {std::string(text::kNothingToPackKept) + "empty"},
       {},
       [&] { std::filesystem::create_directory(dir_ / "empty"); },
       old_kept},
      {"pack with a link out of the folder",
       old,
       {"pack", "fw.hxf"},
       1,
       {std::string(text::kLinkOutside) + "b.txt", std::string(text::kPackIncomplete) + "1"},
       {},
       link_out,
       [&] {
         return ReadFile(package()) == testing::BuildPackage({{"a.txt", "abc"}});
       }},
      {"pack -L following it",
       old,
       {"pack", "-L", "fw.hxf"},
       0,
       {std::string(text::kFileClosed)},
       {},
       link_out,
       [&] {
         return ReadFile(package()) ==
                testing::BuildPackage({{"a.txt", "abc"}, {"b.txt", "outside"}});
       }},
      {"an unknown command",
       old,
       {"bogus", "fw.hxf"},
       2,
       {"unknown command: bogus"},
       {},
       in_hxf,
       old_kept},

      {"pack of names equal but for case",
       old,
       {"pack", "fw.hxf"},
       1,
       {std::string(text::kNameCaseOnly), std::string(text::kPackProblems) + "1"},
       {},
       [&] {
         testing::WriteFile(dir_ / "in_hxf/a.txt", "abc");
         testing::WriteFile(dir_ / "in_hxf/A.TXT", "abc");
         cannot = !holds_both("");
       },
       [&] { return ReadFile(package()).size() == 64 + 2 * (4 + 5 + 1 + 4 + 3) + 4; }},
      {"pack of GBK names equal but for case",
       old,
       {"pack", "fw.hxf"},
       1,
       {std::string(text::kNameCaseOnly) + "中\\", std::string(text::kPackProblems) + "1"},
       {},
       [&] {
         testing::WriteFile(dir_ / "in_hxf/中/a", "1");
         testing::WriteFile(dir_ / "in_hxf/中/A", "2");
         cannot = !holds_both("中/");
       }},
      {"pack of names that differ beyond case",
       old,
       {"pack", "fw.hxf"},
       0,
       {std::string(text::kFileClosed)},
       {},
       [&] {
         testing::WriteFile(dir_ / "in_hxf/a", "1");
         testing::WriteFile(dir_ / "in_hxf/b/a", "2");
         testing::WriteFile(dir_ / "in_hxf/中", "3");
       }},

      // What verify finds in the header.
      {"length field",
       changed(kExample, 20, 0x10),
       {"verify", "fw.hxf"},
       1,
       {"length        FAILED header says 16, file has 105"}},
      {"header text",
       changed(kExample, 0, 'X'),
       {"verify", "fw.hxf"},
       1,
       {"header texts  FAILED bytes 0-19 are not \"WADF0100200801291107\""}},
      {"description text",
       changed(kExample, 40, 'x'),
       {"verify", "fw.hxf"},
       1,
       {"header texts  FAILED bytes 32-58 are not \"Chinachip PMP firmware V1.0\""}},
      {"zero field after the checksum",
       changed(kExample, 31, 1),
       {"verify", "fw.hxf"},
       1,
       {"header zeros  FAILED bytes 28-31 are not all zero"}},
      {"zero field after the description",
       changed(kExample, 59, 1),
       {"verify", "fw.hxf"},
       1,
       {"header zeros  FAILED bytes 59-63 are not all zero"}},
      {"file shorter than a header",
       Bytes(kExample.begin(), kExample.begin() + 63),
       {"verify", "fw.hxf"},
       1,
       {"length        FAILED the file is shorter than a header",
        "checksum      FAILED the file is shorter than a header", "fw.hxf: FAILED"}},
      {"empty file",
       Bytes(),
       {"verify", "fw.hxf"},
       1,
       {"length        FAILED the file is shorter than a header",
        "checksum      FAILED the file is shorter than a header"}},
      // What verify finds in the records.
      {"truncated",
       Bytes(kExample.begin(), kExample.begin() + 90),
       {"verify", "fw.hxf"},
       1,
       {"the file ends inside the record at offset 87"}},
      {"data past the end",
       Bytes(kExample.begin(), kExample.begin() + 85),
       {"verify", "fw.hxf"},
       1,
       {"the file ends inside the data of the record at offset 64"}},
      {"name length over 400",
       WithHeader(Concat({U32(401), Bytes(401), U32(0)})),
       {"verify", "fw.hxf"},
       1,
       {"records       FAILED 0 entries; name length over 400 at offset 64"}},
      {"trailing bytes", trailing, {"verify", "fw.hxf"}, 1, {"bytes after the end marker"}},
      // What verify finds in the names.
      {"refused name",
       BuildPackage({{"ok", "1"}, {"a\\..\\..\\x", "2"}}),
       {"verify", "fw.hxf"},
       1,
       {"names         FAILED \"a\\..\\..\\x\" at offset 76: the unpacker refuses it"}},
      {"names equal but for case",
       BuildPackage({{"SYSTEM\\Font.bin", "1"}, {"system\\FONT.BIN", "2"}}),
       {"verify", "fw.hxf"},
       1,
       {"\"system\\FONT.BIN\" at offset 89: the same file as the entry at offset 64"}},
      {"the same name twice",
       BuildPackage({{"a", "1"}, {"a", "2"}}),
       {"verify", "fw.hxf"},
       1,
       {"names         FAILED \"a\" at offset 75: the same name as the entry at offset 64; "
        "unpacking writes this entry over that one"}},
      {"a file, then a directory of its name",
       BuildPackage({{"d", "1"}, {"D\\x", "2"}}),
       {"verify", "fw.hxf"},
       1,
       {"\"D\\x\" at offset 75: its directory \"D\" is also the file of the entry at "
        "offset 64"}},
      {"a directory, then a file of its name",
       BuildPackage({{"d\\x", "1"}, {"d", "2"}}),
       {"verify", "fw.hxf"},
       1,
       {"\"d\" at offset 77: a directory too: the entry at offset 64 lies in it"}},
      {"names equal but for case far apart, in no order",
       BuildPackage({{"A\\b\\c", "1"}, {"x", "2"}, {"a\\B\\c", "3"}}),
       {"verify", "fw.hxf"},
       1,
       {"\"a\\B\\c\" at offset 90: the same file as the entry at offset 64"}},
      {"a directory met again and again, in no order",
       BuildPackage({{"d\\1", "1"}, {"e", "2"}, {"d\\2", "3"}, {"f\\1", "4"}, {"d\\3", "5"}}),
       {"verify", "fw.hxf"},
       0,
       {"names         ok"}},
      {"problems told in the entries' order",
       BuildPackage({{"a", "1"}, {"A", "2"}, {"..", "3"}}),
       {"verify", "fw.hxf"},
       1,
       {"FAILED \"A\" at offset 75: the same file as the entry at offset 64 (case ignored); "
        "unpacking on Windows writes this entry over that one\n"
        "names         FAILED \"..\" at offset 86: the unpacker refuses it"}},
      {"names decoded from GBK before they are compared",
       BuildPackage({{"\xD6\xD0"
                      "A",
                      "1"},
                     {"\xD6\xD0"
                      "a",
                      "2"}}),
       {"verify", "fw.hxf"},
       1,
       {"\"中a\" at offset 77: the same file as the entry at offset 64"}},
      {"names that only look alike in bytes",
       BuildPackage({{"\x81\x41", "1"}, {"\x81\x61", "2"}}),
       {"verify", "fw.hxf"},
       0,
       {"names         ok", "fw.hxf: ok"}},
      {"a name Windows cannot hold, on every host",
       BuildPackage({{"ok", "1"}, {"sub\\CON.txt", "2"}}),
       {"verify", "fw.hxf"},
       1,
       {"names         ok",
        "windows names WARN   \"sub\\CON.txt\" at offset 76: Windows cannot "
        "hold it (\"CON.txt\": a device name); the unpacker refuses it there",
        "fw.hxf: WARNINGS"}},
      {"a directory name Windows would cut short",
       BuildPackage({{"dir.\\x", "1"}, {"a?", "2"}}),
       {"verify", "fw.hxf"},
       1,
       {"\"dir.\": a dot or a space at the end, which Windows drops",
        "\"a?\" at offset 80: Windows cannot hold it (\"a?\": a character Windows does not allow"}},
      {"names Windows holds",
       BuildPackage({{"CONFIG.SYS", "1"}, {"com10\\a b", "2"}}),
       {"verify", "fw.hxf"},
       0,
       {"windows names ok", "fw.hxf: ok"}},
      // list of a file that is no package.
      {"list of a file too short",
       Bytes(10),
       {"list", "fw.hxf"},
       1,
       {"fw.hxf: not a package: the file is shorter than a header"}},
      {"list of a file without the header text",
       changed(kExample, 1, 'x'),
       {"list", "fw.hxf"},
       1,
       {"fw.hxf: not a package: the header text is missing"}},
      // unpack: no output for a package that did not open; a summary after the final line.
      {"unpack of a missing package into a chosen folder",
       std::nullopt,
       {"unpack", "missing.hxf", "-C", "a/b/c"},
       2,
       {"missing.hxf"},
       {"a"}},
      {"unpack of a missing package",
       std::nullopt,
       {"unpack", "missing.hxf"},
       2,
       {"missing.hxf"},
       {"out_hxf"}},
      {"unpack of a file too short for a header",
       Bytes(10),
       {"unpack", "fw.hxf"},
       2,
       {std::string(text::kNotAPackage) + "fw.hxf: the file is shorter than a header"},
       {"out_hxf"}},
      {"unpack that refuses a record",
       BuildPackage({{"..\\evil", "x"}, {"ok", "y"}}),
       {"unpack", "fw.hxf"},
       1,
       {std::string(text::kUnsafeName) + "..\\evil\n" + incomplete + "1\n"}},
      {"unpack stopped by a corrupt record, quietly",
       Bytes(kExample.begin(), kExample.begin() + 90),
       {"-q", "unpack", "fw.hxf"},
       1,
       {std::string(text::kTruncatedAt) + "87", incomplete + "1"}},
      {"unpack of a package whose header disagrees",
       changed(kExample, 24, 0),
       {"unpack", "fw.hxf"},
       1,
       {std::string(text::kChecksumMismatch) + "\n" + with_problems + "1\n"}},
      // unpack of chosen entries.
      {"unpack of one entry",
       kExample,
       {"unpack", "fw.hxf", "Z.TXT"},
       0,
       {std::string(text::kUnpackDone)},
       {"out_hxf/sub"},
       [] {},
       [&] { return testing::Exists(dir_ / "out_hxf/z.txt"); }},
      {"unpack of a folder and a name that picks nothing",
       kExample,
       {"unpack", "fw.hxf", "-C", "picked", "nothing", "SUB/*"},
       1,
       {std::string(text::kNoSuchEntry) + "nothing\n", with_problems + "1"},
       {"picked/z.txt"},
       [] {},
       [&] { return testing::Exists(dir_ / "picked/sub/b.bin"); }},
      // unpack over files already there: replaced unless kept; a name given twice.
      {"unpack over an edited file replaces it, and leaves other files",
       kExample,
       {"unpack", "fw.hxf"},
       0,
       {std::string(text::kUnpackDone) + "\n"},
       {},
       edited_out_hxf,
       [&] {
         return ReadFile(dir_ / "out_hxf/sub/b.bin") == ToBytes("\x01\x02\x03\x04\x05") &&
                ReadFile(dir_ / "out_hxf/notes.txt") == ToBytes("mine");
       }},
      {"unpack -k keeps the edited file and names it",
       kExample,
       {"unpack", "-k", "fw.hxf"},
       1,
       {std::string(text::kExistingKept) + "sub\\b.bin\n", with_problems + "1"},
       {},
       edited_out_hxf,
       [&] {
         return ReadFile(dir_ / "out_hxf/sub/b.bin") == ToBytes("edited") &&
                testing::Exists(dir_ / "out_hxf/z.txt");
       }},
      {"unpack --keep over files that are the package's",
       kExample,
       {"unpack", "--keep", "fw.hxf"},
       0,
       {std::string(text::kUnpackDone) + "\n"},
       {},
       [&] {
         testing::WriteFile(dir_ / "out_hxf/sub/b.bin", "\x01\x02\x03\x04\x05");
         testing::WriteFile(dir_ / "out_hxf/z.txt", "");
       }},
      {"unpack of a name given twice writes the later entry",
       BuildPackage({{"a", "first"}, {"b", "x"}, {"a", "second"}}),
       {"unpack", "fw.hxf"},
       1,
       {std::string(text::kNameGivenTwice) + "a\n", with_problems + "1"},
       {},
       {},
       [&] { return ReadFile(dir_ / "out_hxf/a") == ToBytes("second"); }},
      // cat: the bytes exactly, on standard output only.
      {"cat of an entry",
       kExample,
       {"cat", "fw.hxf", "sub\\b.bin"},
       0,
       {},
       {},
       {},
       {},
       "\x01\x02\x03\x04\x05"},
      {"cat of an entry by another case and separator",
       kExample,
       {"cat", "fw.hxf", "SUB/B.BIN"},
       0,
       {},
       {},
       {},
       {},
       "\x01\x02\x03\x04\x05"},
      {"cat of an empty entry", kExample, {"cat", "fw.hxf", "z.txt"}, 0, {}, {}, {}, {}, ""},
      {"cat keeps every byte",
       binary,
       {"cat", "fw.hxf", "a.bin"},
       0,
       {},
       {},
       {},
       {},
       std::string("\0\r\n\xFF\x1A", 5)},
      {"cat of a pattern writes what it picks in package order",
       binary,
       {"cat", "fw.hxf", "?.*"},
       0,
       {},
       {},
       {},
       {},
       std::string("\0\r\n\xFF\x1A", 5) + "x"},
      {"cat of no such entry",
       kExample,
       {"cat", "fw.hxf", "b.bin"},
       1,
       {"fw.hxf: no entry \"b.bin\""},
       {},
       {},
       {},
       ""},
      {"cat of an entry past a corrupt record",
       Bytes(kExample.begin(), kExample.begin() + 90),
       {"cat", "fw.hxf", "z.txt"},
       1,
       {"no entry \"z.txt\"; the file ends inside the record at offset 87"},
       {},
       {},
       {},
       ""},
      {"cat of an entry whose data the file lacks",
       Bytes(kExample.begin(), kExample.begin() + 85),
       {"cat", "fw.hxf", "sub/b.bin"},
       1,
       {"the file ends inside the data of the record at offset 64"},
       {},
       {},
       {},
       ""},
      {"cat of a missing package",
       std::nullopt,
       {"cat", "missing.hxf", "a"},
       2,
       {"missing.hxf", testing::NotFoundReason()},
       {},
       {},
       {},
       ""},
      // add: the files put in go through the packer's rules.
      {"add replacing an entry keeps its spelling",
       kExample,
       {"-v", "add", "fw.hxf", "-C", "tree", "SUB/B.BIN"},
       0,
       {std::string(text::kReplaced) + "sub\\b.bin", std::string(text::kFileClosed)},
       {},
       [&] { testing::WriteFile(dir_ / "tree/SUB/B.BIN", "new"); },
       [&] {
         return ReadFile(package()) == BuildPackage({{"sub\\b.bin", "new"}, {"z.txt", ""}});
       }},
      {"add of names equal but for case",
       kExample,
       {"add", "fw.hxf", "-C", "tree", "x"},
       1,
       {std::string(text::kNameCaseOnly) + "x\\", std::string(text::kPackProblems) + "1"},
       {},
       [&] {
         testing::WriteFile(dir_ / "tree/x/a", "1");
         testing::WriteFile(dir_ / "tree/x/A", "2");
         // A folder that ignores case holds one file for both.
         cannot = testing::ListFilesRecursively(dir_ / "tree/x").size() != 2;
       },
       [&] { return ReadFile(package()).size() == kExample.size() + 2 * (4 + 3 + 1 + 4 + 1); }},
      {"add beside names equal but for case in the package",
       BuildPackage({{"a", "1"}, {"A", "2"}}),
       {"add", "fw.hxf", "-C", "tree", "b"},
       1,
       {std::string(text::kNameCaseOnly) + "A", std::string(text::kPackProblems) + "1"},
       {},
       [&] { testing::WriteFile(dir_ / "tree/b", "3"); },
       [&] {
         return ReadFile(package()) == BuildPackage({{"a", "1"}, {"A", "2"}, {"b", "3"}});
       }},
      {"add with a link out of the folder",
       kExample,
       {"add", "fw.hxf", "-C", "tree", "."},
       1,
       {std::string(text::kLinkOutside) + "b.txt", std::string(text::kPackIncomplete) + "1"},
       {},
       link_into_tree,
       [&] {
         return ReadFile(package()) ==
                BuildPackage(
                    {{"a.txt", "abc"}, {"sub\\b.bin", "\x01\x02\x03\x04\x05"}, {"z.txt", ""}});
       }},
      {"add -L following it",
       kExample,
       {"add", "fw.hxf", "-L", "-C", "tree", "."},
       0,
       {std::string(text::kFileClosed)},
       {},
       link_into_tree,
       [&] {
         return ReadFile(package()) == BuildPackage({{"a.txt", "abc"},
                                                     {"b.txt", "outside"},
                                                     {"sub\\b.bin", "\x01\x02\x03\x04\x05"},
                                                     {"z.txt", ""}});
       }},
      {"add of nothing but a link out of the folder",
       kExample,
       {"add", "fw.hxf", "-C", "tree", "b.txt"},
       1,
       {std::string(text::kLinkOutside) + "b.txt", std::string(text::kPackageKept) + "fw.hxf"},
       {},
       link_into_tree,
       [&] { return ReadFile(package()) == kExample; }},
      // diff: entry order, packages and folders alike.
      {"diff of two packages",
       kExample,
       {"diff", "fw.hxf", "other.hxf"},
       1,
       {},
       {},
       other_package,
       {},
       "+ a\n~ sub\\b.bin (5 and 5 bytes)\n- z.txt\n"},
      {"diff of a package and a folder",
       kExample,
       {"diff", "tree", "fw.hxf"},
       1,
       {},
       {},
       changed_tree,
       {},
       "~ z.txt (3 and 0 bytes)\n- 中\\y\n"},
      {"diff of the same package", kExample, {"diff", "fw.hxf", "fw.hxf"}, 0, {}, {}, {}, {}, ""},
      {"diff of a folder holding the package leaves the package out",
       kExample,
       {"diff", "fw.hxf", "."},
       1,
       {},
       {},
       {},
       {},
       "- sub\\b.bin\n- z.txt\n"},
      {"diff with a link out of the folder",
       BuildPackage({{"a.txt", "abc"}}),
       {"diff", "tree", "fw.hxf"},
       0,
       {std::string(text::kLinkOutside) + "b.txt"},
       {},
       link_into_tree,
       {},
       ""},
      {"diff of a truncated package",
       Bytes(kExample.begin(), kExample.begin() + 90),
       {"diff", "fw.hxf", "tree"},
       2,
       {"fw.hxf: the file ends inside the record at offset 87"},
       {},
       [&] { std::filesystem::create_directory(dir_ / "tree"); }},
      {"diff of a file that is no package",
       changed(kExample, 1, 'x'),
       {"diff", "other.hxf", "fw.hxf"},
       2,
       {"fw.hxf: not a package: the header text is missing"},
       {},
       [&] { testing::WriteFile(dir_ / "other.hxf", kExample); }},
      {"diff with a side missing",
       kExample,
       {"diff", "fw.hxf", "missing"},
       2,
       {"missing", testing::NotFoundReason()}},
      {"add of a pipe",
       kExample,
       {"add", "fw.hxf", "-C", "tree", "pipe"},
       1,
       {std::string(text::kSpecialFile) + "pipe", std::string(text::kPackageKept) + "fw.hxf"},
       {},
       [&] {
         std::filesystem::create_directory(dir_ / "tree");
         cannot = !testing::MakeSpecial(dir_ / "tree/pipe");
       },
       [&] { return ReadFile(package()) == kExample; }},
  };
  std::vector<std::string> left_out;
  for (const Case& c : cases) {
    for (const char* made : {"fw.hxf", "in_hxf", "elsewhere.txt", "pipe.hxf", "empty", "out_hxf",
                             "picked", "tree", "other.hxf"}) {
      std::filesystem::remove_all(dir_ / made);
    }
    if (c.package) testing::WriteFile(package(), *c.package);
    if (c.setup) c.setup();
    if (std::exchange(cannot, false)) {
      left_out.push_back(c.what);
      continue;
    }
    CommandResult result = Hxf(c.arguments);
    const std::string output = result.out + result.err;
    EXPECT_EQ(result.exit_status, c.exit_status) << c.what << ":\n" << output;
    for (const std::string& expected : c.expected) {
      EXPECT_NE(output.find(expected), std::string::npos) << c.what << ":\n" << output;
    }
    for (const std::string& absent : c.absent) {
      EXPECT_FALSE(testing::Exists(dir_ / absent)) << c.what << ": " << absent;
    }
    if (c.holds) {
      EXPECT_TRUE(c.holds()) << c.what;
    }
    if (c.out) {
      EXPECT_EQ(result.out, *c.out) << c.what;
    }
  }
  if (!left_out.empty()) {
    RecordProperty("left_out", ::testing::PrintToString(left_out));
    std::printf("left out, this host cannot make what they need: %s\n",
                ::testing::PrintToString(left_out).c_str());
  }
}

// A package hxf packed, with entries removed, is byte for byte what packing the tree without
// their files gives.
TEST_F(CliTest, RemoveGivesWhatPackingTheChangedTreeGives) {
  struct Case {
    std::vector<std::string> common;  // options before the command
    std::vector<std::string> files;   // in the tree, each holding its own name
    std::vector<std::string> remove;  // arguments of remove
    std::vector<std::string> gone;    // files taken out of the tree for the package expected
  };
  const Case cases[] = {
      {{}, {"a.bin", "SYSTEM/FONT/f.bin", "system2/x", "z.txt"}, {"z.txt"}, {"z.txt"}},
      {{},
       {"a.bin", "SYSTEM/FONT/f.bin", "SYSTEM/logo.bmp", "z.txt"},
       {"system/font"},
       {"SYSTEM/FONT/f.bin"}},
      {{}, {"a.bin", "B.bin", "c.bin", "Font", "font2"}, {"b.BIN", "*2"}, {"B.bin", "font2"}},
      {{}, {"中文/字体.bin", "中文/a.txt", "a.txt", "Z.txt"}, {"中文/字体.bin"}, {"中文/字体.bin"}},
      {{"--names", "raw"},
       {"\xFF.bin", "a.bin", "\xD6\xD0.bin", "A.txt"},
       {"a.bin", "?.bin"},
       {"a.bin", "\xFF.bin"}},
      {{}, {"a.bin", "b.bin", "c.txt"}, {"**/*.bin"}, {"a.bin", "b.bin"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.files));
    std::filesystem::remove_all(dir_ / "tree");
    std::filesystem::remove(dir_ / "expected.hxf");
    try {
      for (const std::string& file : c.files) testing::WriteFile(dir_ / ("tree/" + file), file);
    } catch (const std::filesystem::filesystem_error& error) {
      // Names that are not UTF-8 name no file where names are UTF-16 (Windows).
      std::printf("left out, this host cannot hold its names: %s\n", error.what());
      continue;
    }
    auto hxf = [&](std::vector<std::string> arguments) {
      arguments.insert(arguments.begin(), c.common.begin(), c.common.end());
      return Hxf(arguments);
    };
    ASSERT_EQ(hxf({"pack", "fw.hxf", "-C", "tree"}).exit_status, 0);
    std::vector<std::string> remove = {"remove", "fw.hxf"};
    remove.insert(remove.end(), c.remove.begin(), c.remove.end());
    CommandResult removed = hxf(remove);
    EXPECT_EQ(removed.exit_status, 0) << removed.err;
    for (const std::string& file : c.gone) testing::RemoveFile(dir_ / ("tree/" + file));
    ASSERT_EQ(hxf({"pack", "expected.hxf", "-C", "tree"}).exit_status, 0);
    EXPECT_EQ(ReadFile(package()), ReadFile(dir_ / "expected.hxf"));
  }
}

// Packages that verify fails on their length, checksum or records, each with what the edit that
// refuses it must say. A fresh header written over any of them would make it pass.
struct DamagedPackage {
  const char* what;
  Bytes package;
  std::string expected;
};

std::vector<DamagedPackage> DamagedPackages() {
  const std::string records = std::string(text::kRecordsWrong) + ": 1 entries; ";
  Bytes flipped = kExample;
  flipped[82] ^= std::byte{0x10};  // a data bit of sub\b.bin
  Bytes long_field = kExample;
  long_field[20] = std::byte{96};  // the length field
  return {
      {"cut at a record boundary", Bytes(kExample.begin(), kExample.begin() + 87),
       std::string(text::kLengthMismatch) + ": header says 105, file has 87"},
      {"cut at a record boundary, without an end marker",
       Bytes(kExample.begin(), kExample.begin() + 87), records + "no end marker"},
      {"cut inside a record", Bytes(kExample.begin(), kExample.begin() + 90),
       records + "the file ends inside the record at offset 87"},
      {"a name length over 400",
       testing::WithHeader(
           testing::Concat({testing::Record("a", "1"), testing::U32(401), Bytes(401)})),
       records + "name length over 400 at offset 75"},
      {"a flipped data bit", flipped, std::string(text::kChecksumMismatch) + ": header says 0x"},
      {"a wrong length field", long_field,
       std::string(text::kLengthMismatch) + ": header says 96, file has 105"},
  };
}

// A remove that cannot be done in full leaves the package as it was, byte for byte.
TEST_F(CliTest, RemoveThatFailsLeavesThePackageAsItWas) {
  struct Case {
    const char* what;
    Bytes package;
    std::vector<std::string> arguments;
    int exit_status;
    std::string expected;
  };
  std::vector<Case> cases = {
      {"a name that picks nothing",
       kExample,
       {"remove", "fw.hxf", "z.txt", "nothing"},
       1,
       std::string(text::kNoSuchEntry) + "nothing"},
      {"every entry",
       kExample,
       {"remove", "fw.hxf", "**"},
       2,
       std::string(text::kNothingLeft) + "fw.hxf"},
      {"a file that is no package",
       testing::ToBytes("the user's notes, longer than a package's header, which they are not"),
       {"remove", "fw.hxf", "a"},
       2,
       std::string(text::kNotAPackage) + "fw.hxf"},
  };
  for (const DamagedPackage& damaged : DamagedPackages()) {
    cases.push_back(
        {damaged.what, damaged.package, {"remove", "fw.hxf", "sub"}, 2, damaged.expected});
    cases.push_back({damaged.what,
                     damaged.package,
                     {"remove", "fw.hxf", "sub"},
                     2,
                     std::string(text::kDamagedPackage) + "fw.hxf"});
  }
  for (const Case& c : cases) {
    testing::WriteFile(package(), c.package);
    CommandResult result = Hxf(c.arguments);
    EXPECT_EQ(result.exit_status, c.exit_status) << c.what << ": " << result.err;
    EXPECT_NE(result.err.find(c.expected), std::string::npos) << c.what << ": " << result.err;
    EXPECT_NE(result.err.find(std::string(text::kPackageKept) + "fw.hxf"), std::string::npos)
        << c.what << ": " << result.err;
    EXPECT_EQ(ReadFile(package()), c.package) << c.what;
    EXPECT_EQ(testing::ListFilesRecursively(dir_.path()), std::vector<std::string>{"fw.hxf"})
        << c.what;
  }
  CommandResult missing = Hxf({"remove", "missing.hxf", "a"});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_NE(missing.err.find(testing::NotFoundReason()), std::string::npos) << missing.err;
  EXPECT_FALSE(testing::Exists(dir_ / "missing.hxf"));
}

// Files added to a package hxf packed give byte for byte what packing the changed tree gives.
TEST_F(CliTest, AddGivesWhatPackingTheChangedTreeGives) {
  struct Case {
    std::vector<std::string> common;  // options before the command
    std::vector<std::string> files;   // in the tree when it is first packed
    std::vector<std::string> added;   // then written into the tree, each holding "new " + its name
    std::vector<std::string> paths;   // arguments of add
  };
  const Case cases[] = {
      {{}, {"a.txt", "中文/a.txt", "Z.txt"}, {"中文/字体.bin"}, {"中文/字体.bin"}},
      {{}, {"a.txt", "中文/a.txt"}, {"中文/字体.bin", "中/b"}, {"中文", "中"}},
      {{"--names", "raw"},
       {"a.bin", "C.bin", "\xD6\xD0.bin"},
       {"B.bin", "\xFF.bin"},
       {"B.bin", "\xFF.bin"}},
      {{}, {"a.bin", "c.bin", "Font"}, {"B.bin", "font2"}, {"font2", "B.bin"}},
      {{}, {"a.bin", "z.txt"}, {"SYSTEM/FONT/f.bin", "SYSTEM/logo.bmp"}, {"SYSTEM"}},
      {{}, {"a.bin", "b.bin", "c.bin"}, {"b.bin"}, {"b.bin"}},
      {{}, {"a.bin", "m/x.bin"}, {"m/n/o/p.bin", "b/c/d.bin", "m/a"}, {"m/n", "b/c", "m/a"}},
      {{}, {"a.b"}, {"a/x"}, {"a/x"}},
      {{}, {"a", "c/d"}, {"b", "c/d", "c/e"}, {"."}},
      {{}, {"a"}, {"dir/sub/x"}, {"./dir//sub/", "dir\\sub\\x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.added));
    if (c.common == kRawNames && !kHostNamesAreBytes) continue;
    std::filesystem::remove_all(dir_ / "tree");
    std::filesystem::remove(dir_ / "expected.hxf");
    for (const std::string& file : c.files) testing::WriteFile(dir_ / ("tree/" + file), file);
    auto hxf = [&](std::vector<std::string> arguments) {
      arguments.insert(arguments.begin(), c.common.begin(), c.common.end());
      return Hxf(arguments);
    };
    ASSERT_EQ(hxf({"pack", "fw.hxf", "-C", "tree"}).exit_status, 0);
    for (const std::string& file : c.added) {
      testing::WriteFile(dir_ / ("tree/" + file), "new " + file);
    }
    std::vector<std::string> add = {"add", "fw.hxf", "-C", "tree"};
    add.insert(add.end(), c.paths.begin(), c.paths.end());
    CommandResult added = hxf(add);
    EXPECT_EQ(added.exit_status, 0) << added.err;
    ASSERT_EQ(hxf({"pack", "expected.hxf", "-C", "tree"}).exit_status, 0);
    EXPECT_EQ(ReadFile(package()), ReadFile(dir_ / "expected.hxf"));
  }
}

// An add that cannot be done leaves the package as it was, byte for byte, and nothing beside it.
TEST_F(CliTest, AddThatFailsLeavesThePackageAsItWas) {
  struct Case {
    const char* what;
    Bytes package;
    std::vector<std::string> arguments;
    std::string expected;
  };
  std::vector<Case> cases = {
      {"a missing path",
       kExample,
       {"add", "fw.hxf", "-C", "tree", "a", "missing"},
       std::string(text::kNotInFolder) + "missing: "},
      {"a path out of the folder",
       kExample,
       {"add", "fw.hxf", "-C", "tree", "../fw.hxf"},
       std::string(text::kPathOutsideFolder) + "../fw.hxf"},
      {"a path out of the folder by backslashes",
       kExample,
       {"add", "fw.hxf", "-C", "tree", "a\\..\\..\\fw.hxf"},
       std::string(text::kPathOutsideFolder)},
      {"an absolute path",
       kExample,
       {"add", "fw.hxf", "-C", "tree", "/etc/hostname"},
       std::string(text::kPathOutsideFolder) + "/etc/hostname"},
      {"a hidden file",
       kExample,
       {"add", "fw.hxf", "-C", "tree", ".hidden"},
       std::string(text::kPathOutsideFolder) + ".hidden"},
      {"a folder that is not there",
       kExample,
       {"add", "fw.hxf", "-C", "nothing", "a"},
       std::string(text::kNotInFolder) + "a"},

      {"a file that is no package",
       testing::ToBytes("the user's notes, longer than a package's header, which they are not"),
       {"add", "fw.hxf", "-C", "tree", "a"},
       std::string(text::kNotAPackage) + "fw.hxf"},
      {"a file shorter than a header",
       testing::ToBytes("notes"),
       {"add", "fw.hxf", "-C", "tree", "a"},
       std::string(text::kNotAPackage) + "fw.hxf"},
  };
  // The new file sorting before the damage, and after it.
  for (const DamagedPackage& damaged : DamagedPackages()) {
    for (const char* path : {"a", "zz"}) {
      cases.push_back(
          {damaged.what, damaged.package, {"add", "fw.hxf", "-C", "tree", path}, damaged.expected});
    }
  }
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir_ / "tree");
    testing::WriteFile(dir_ / "tree/a", "new a");
    testing::WriteFile(dir_ / "tree/zz", "new zz");
    testing::WriteFile(dir_ / "tree/.hidden", "hidden");
    testing::WriteFile(package(), c.package);
    CommandResult result = Hxf(c.arguments);
    EXPECT_EQ(result.exit_status, 2) << c.what << ": " << result.err;
    EXPECT_NE(result.err.find(c.expected), std::string::npos) << c.what << ": " << result.err;
    EXPECT_NE(result.err.find(std::string(text::kPackageKept) + "fw.hxf"), std::string::npos)
        << c.what << ": " << result.err;
    EXPECT_EQ(ReadFile(package()), c.package) << c.what;
    EXPECT_EQ(testing::ListFilesRecursively(dir_.path()),
              (std::vector<std::string>{"fw.hxf", "tree/.hidden", "tree/a", "tree/zz"}))
        << c.what;
  }
  CommandResult missing = Hxf({"add", "missing.hxf", "-C", "tree", "a"});
  EXPECT_EQ(missing.exit_status, 2);
  EXPECT_NE(missing.err.find(testing::NotFoundReason()), std::string::npos) << missing.err;
  EXPECT_FALSE(testing::Exists(dir_ / "missing.hxf"));
}

// A package compares equal with the tree it was packed from and the tree it unpacks to, whichever
// side each stands on.
TEST_F(CliTest, DiffOfAPackageWithItsTreesIsEmpty) {
  struct Case {
    std::vector<std::string> common;  // options before the command
    std::vector<std::string> files;   // in the tree, each holding its own name
  };
  const Case cases[] = {
      {{}, {"a.bin", "SYSTEM/FONT/f.bin", "system2/x", "z.txt", "a.b", "a/x"}},
      {{}, {"中文/字体.bin", "中文/a.txt", "a.txt", "Z.txt", "B.bin"}},
      {{"--names", "raw"}, {"\xFF.bin", "a.bin", "\xD6\xD0.bin", "A.txt"}},
      {{}, {"昞/x", "昞x", "a"}},  // 昞 is 0x95 0x5C in GBK: its trail byte is a backslash
      {{}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.files));
    if (c.common == kRawNames && !kHostNamesAreBytes) continue;
    std::filesystem::remove_all(dir_ / "tree");
    std::filesystem::remove_all(dir_ / "out");
    std::filesystem::remove(package());
    std::filesystem::create_directory(dir_ / "tree");
    for (const std::string& file : c.files) testing::WriteFile(dir_ / ("tree/" + file), file);
    auto hxf = [&](std::vector<std::string> arguments) {
      arguments.insert(arguments.begin(), c.common.begin(), c.common.end());
      return Hxf(arguments);
    };
    // An empty folder makes an empty package, with a word.
    ASSERT_EQ(hxf({"pack", "fw.hxf", "-C", "tree"}).exit_status, c.files.empty() ? 1 : 0);
    ASSERT_EQ(hxf({"unpack", "fw.hxf", "-C", "out"}).exit_status, 0);
    const std::vector<std::vector<std::string>> pairs = {
        {"fw.hxf", "tree"}, {"tree", "fw.hxf"}, {"fw.hxf", "out"}, {"out", "tree"}};
    for (const std::vector<std::string>& pair : pairs) {
      CommandResult result = hxf({"diff", pair[0], pair[1]});
      EXPECT_EQ(result.exit_status, 0) << pair[0] << " " << pair[1] << ": " << result.err;
      EXPECT_EQ(result.out, "") << pair[0] << " " << pair[1];
    }
    // And a change shows.
    if (c.files.empty()) continue;
    testing::WriteFile(dir_ / ("out/" + c.files[0]), "changed");
    EXPECT_EQ(hxf({"diff", "fw.hxf", "out"}).exit_status, 1);
  }
}

// Each command's help lists the options every command takes.
TEST_F(CliTest, EachCommandsHelpListsTheCommonOptions) {
  for (const char* command : {"unpack", "pack", "list", "verify", "cat", "remove", "add", "diff"}) {
    CommandResult result = Hxf({command, "--help"});
    EXPECT_EQ(result.exit_status, 0) << command;
    for (const char* option : {"-q,--quiet", "-v,--verbose", "--names", "--lang"}) {
      EXPECT_NE(result.out.find(option), std::string::npos) << command << " " << option;
    }
  }
}

TEST_F(CliTest, UsageErrorsGiveExitStatusTwo) {
  const std::vector<std::vector<std::string>> usages = {{},
                                                        {"bogus"},
                                                        {"unpack"},
                                                        {"unpack", "fw.hxf", "--names", "latin1"},
                                                        {"list", "a", "b"},
                                                        {"cat", "fw.hxf"},
                                                        {"add", "fw.hxf"},
                                                        {"diff", "fw.hxf"}};
  for (const auto& arguments : usages) {
    CommandResult result = Hxf(arguments);
    EXPECT_EQ(result.exit_status, 2) << ::testing::PrintToString(arguments);
    EXPECT_FALSE(result.err.empty());
  }
  EXPECT_EQ(Hxf({"--help"}).exit_status, 0);
  CommandResult version = Hxf({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out, "hxf " HXF_VERSION "\n");  // the project's version, set once
}

TEST_F(CliTest, NameConversionCanBeTurnedOff) {
  testing::WriteFile(package(), testing::BuildPackage({{"\xD6\xD0.txt", "x"}}));
  EXPECT_EQ(Hxf({"unpack", "fw.hxf", "-C", "gbk"}).exit_status, 0);
  EXPECT_EQ(Hxf({"--names", "raw", "unpack", "fw.hxf", "-C", "raw"}).exit_status, 0);
  EXPECT_TRUE(testing::Exists(dir_ / "gbk/中.txt"));
  EXPECT_TRUE(testing::Exists(dir_ / "raw/\xD6\xD0.txt"));
  EXPECT_EQ(Hxf({"list", "fw.hxf"}).out, "         1  中.txt\n");
}

TEST_F(CliTest, VerboseShowsEveryLineAndNoProgressWithoutATerminal) {
  CommandResult result = Hxf({"-v", "unpack", "fw.hxf"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, std::string(text::kUnpackDone) + "\n");
}

}  // namespace
}  // namespace hxf
