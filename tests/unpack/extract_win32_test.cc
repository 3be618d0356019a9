// Names Windows cannot hold, or would take for something else, are refused there as names that
// would leave the unpack root are everywhere: a line each, nothing written, unpacking goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/log_texts.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/support/recording_log.h"
#include "unpack/extract.h"

namespace hxf {
namespace {

TEST(ExtractWin32Test, NamesWindowsCannotHoldAreRefusedAndUnpackingGoesOn) {
  struct Case {
    NameEncoding names;
    std::vector<std::string> refused;  // as stored, and as shown (all ASCII or UTF-8)
  };
  const Case cases[] = {
      {NameEncoding::kGbk,
       {"CON", "nul.tar.gz", "con\\x.txt", "sub\\Aux.bin", "COM1.txt", "lpt9", "CONIN$",
        "CONOUT$.log", "PRN .txt", "dir.\\x.txt", "trailing ", "a<b.txt", "a>b.txt",
        "sub\\what?.txt", "a*.bin", "say\"hi\"", "a|b"}},
      // GBK has no superscript digits; names kept as their bytes may hold them.
      {NameEncoding::kRaw, {"COM\xC2\xB9", "lpt\xC2\xB3.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refused.front());
    testing::TempDir dir;
    std::vector<testing::TestEntry> entries;
    for (const std::string& name : c.refused) entries.push_back({name, "refused"});
    entries.push_back({"sub\\good.txt", "fine"});
    testing::WriteFile(dir / "fw.hxf", testing::BuildPackage(entries));

    testing::RecordingLog log;
    Joined<TExtract> worker(log, dir / "fw.hxf", TExtract::Settings{.names = c.names});
    testing::RunToEnd(worker);

    EXPECT_EQ(worker.result(), JobResult::kProblems);
    EXPECT_EQ(testing::ListFilesRecursively(dir.path()),
              (std::vector<std::string>{"fw.hxf", "out_hxf/sub/good.txt"}));
    std::vector<std::string> expected;
    for (const std::string& name : c.refused) {
      expected.push_back(std::string(text::kUnsafeName) + name);
    }
    expected.push_back(std::string(text::kUnpackIncomplete) + std::to_string(c.refused.size()));
    std::vector<std::string> problems;
    for (const LogLine& line : log.lines()) {
      if (line.kind == LogKind::kProblem) problems.push_back(line.text);
    }
    EXPECT_EQ(problems, expected);
  }
}

// Names here must become UTF-16, so a stored name that does not convert cannot be written; the
// line says what is wrong with it (its bytes are not GBK), not that it is not UTF-8.
TEST(ExtractWin32Test, ANameThatIsNotValidGbkIsRefusedForThat) {
  testing::TempDir dir;
  testing::WriteFile(dir / "fw.hxf",
                     testing::BuildPackage({{"bad\xFF.txt", "1"}, {"good.txt", "2"}}));
  testing::RecordingLog log;
  Joined<TExtract> worker(log, dir / "fw.hxf");
  testing::RunToEnd(worker);
  EXPECT_EQ(worker.result(), JobResult::kProblems);
  EXPECT_EQ(testing::ListFilesRecursively(dir.path()),
            (std::vector<std::string>{"fw.hxf", "out_hxf/good.txt"}));
  std::vector<std::string> problems;
  for (const LogLine& line : log.lines()) {
    if (line.kind == LogKind::kProblem) problems.push_back(line.text);
  }
  EXPECT_EQ(problems, (std::vector<std::string>{
                          std::string(text::kCannotCreateFile) +
                              "bad\\xFF.txt: the stored name is not valid GBK",
                          std::string(text::kUnpackIncomplete) + "1"}));
}

// The folder takes the two names for one file: the later entry is written over the earlier, and
// said so, as for one name given twice.
TEST(ExtractWin32Test, NamesEqualButForCaseAreOneFileAndTheLaterEntryWins) {
  testing::TempDir dir;
  testing::WriteFile(dir / "fw.hxf", testing::BuildPackage({{"SYSTEM\\Font.BIN", "first"},
                                                            {"other", "x"},
                                                            {"system\\font.bin", "second"}}));
  testing::RecordingLog log;
  Joined<TExtract> worker(log, dir / "fw.hxf");
  testing::RunToEnd(worker);

  EXPECT_EQ(worker.result(), JobResult::kProblems);
  EXPECT_EQ(testing::ListFilesRecursively(dir / "out_hxf").size(), 2u);
  EXPECT_EQ(testing::ReadFile(dir / "out_hxf/SYSTEM/Font.BIN"), testing::ToBytes("second"));
  std::vector<std::string> problems;
  for (const LogLine& line : log.lines()) {
    if (line.kind == LogKind::kProblem) problems.push_back(line.text);
  }
  EXPECT_EQ(problems,
            (std::vector<std::string>{std::string(text::kNameGivenTwice) + "system\\font.bin",
                                      std::string(text::kUnpackProblems) + "1"}));
}

}  // namespace
}  // namespace hxf
