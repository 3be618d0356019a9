// What only a POSIX system lets the command-line tests measure: a child's peak memory, and the
// locale a child is started in.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/log_texts.h"
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

// The log and error lines in the locale's language, --lang before it.
TEST_F(CliTest, LinesInTheLocalesLanguage) {
  struct Case {
    std::vector<std::optional<std::string>> locale;  // LC_ALL, LC_MESSAGES, LANG; none: unset
    std::vector<std::string> arguments;
    std::string err;
  };
  const std::string chinese = std::string(text::kUnpackDone) + "\n";
  const std::string english = "unpacking complete\n";
  const Case cases[] = {
      {{std::nullopt, std::nullopt, "zh_CN.UTF-8"}, {"unpack", "fw.hxf"}, chinese},
      {{std::nullopt, std::nullopt, "en_US.UTF-8"}, {"unpack", "fw.hxf"}, english},
      {{std::nullopt, std::nullopt, "de_DE"}, {"unpack", "fw.hxf"}, english},
      {{std::nullopt, std::nullopt, "C"}, {"unpack", "fw.hxf"}, chinese},
      {{std::nullopt, std::nullopt, std::nullopt}, {"unpack", "fw.hxf"}, chinese},
      {{"en_GB", std::nullopt, "zh_TW"}, {"unpack", "fw.hxf"}, english},
      {{"", "zh_CN", "en_US"}, {"unpack", "fw.hxf"}, chinese},  // an empty one counts as unset
      {{std::nullopt, "en_US", "zh_CN"}, {"unpack", "fw.hxf"}, english},
      {{std::nullopt, std::nullopt, "en_US"}, {"--lang", "zh", "unpack", "fw.hxf"}, chinese},
      {{std::nullopt, std::nullopt, "zh_CN"}, {"unpack", "fw.hxf", "--lang", "en"}, english},
      {{std::nullopt, std::nullopt, "en_US"},
       {"-q", "remove", "fw.hxf", "nothing"},
       "no such entry in the package: nothing\npackage left as it was: fw.hxf\n"},
      {{std::nullopt, std::nullopt, "zh_CN"},
       {"-q", "remove", "fw.hxf", "nothing"},
       std::string(text::kNoSuchEntry) + "nothing\n" + std::string(text::kPackageKept) +
           "fw.hxf\n"},
      {{std::nullopt, std::nullopt, "en_US"},
       {"-v", "pack", "new.hxf", "-C", "tree"},
       "Adding new.hxf\nAdding a\npacking done, computing the checksum.\nfile closed\n"},
  };
  testing::WriteFile(dir_ / "tree/a", "1");
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::optional<std::string>> saved;
  for (const char* name : names) {
    const char* value = ::getenv(name);
    saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
  }
  auto set = [&](const std::vector<std::optional<std::string>>& values) {
    for (std::size_t i = 0; i < 3; ++i) {
      if (values[i]) {
        ::setenv(names[i], values[i]->c_str(), 1);
      } else {
        ::unsetenv(names[i]);
      }
    }
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir_ / "new.hxf");
    set(c.locale);
    CommandResult result = Hxf(c.arguments);
    set(saved);
    EXPECT_EQ(result.err, c.err) << ::testing::PrintToString(c.arguments) << " in "
                                 << ::testing::PrintToString(c.locale);
  }
}

// Output that could not all be written is no output a script may use: every command that writes
// standard output says so in one line and exits 2, while into a pipe the same commands write
// everything and exit as ever.
TEST_F(CliTest, AFailedWriteOfStandardOutputFailsTheCommand) {
  struct Case {
    std::vector<std::string> arguments;
    int exit_status;  // into a pipe
  };
  const Case cases[] = {
      {{"list", "fw.hxf"}, 0},
      {{"list", "--json", "fw.hxf"}, 0},
      {{"cat", "fw.hxf", "sub/b.bin"}, 0},
      {{"verify", "fw.hxf"}, 0},
      {{"verify", "--json", "fw.hxf"}, 0},
      {{"diff", "fw.hxf", "other.hxf"}, 1},  // they differ: a difference is output too
      {{"--help"}, 0},
      {{"--version"}, 0},
  };
  testing::WriteFile(dir_ / "other.hxf", testing::BuildPackage({{"z.txt", ""}}));
  const std::string full_line =
      std::string(text::kOutputWriteFailed) + ": " + std::strerror(ENOSPC) + "\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    std::vector<std::string> arguments = {"--lang", "zh"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const CommandResult full = testing::RunCommand(HXF_BINARY, arguments, dir_.path(), "/dev/full");
    EXPECT_EQ(full.exit_status, 2);
    EXPECT_EQ(full.err, "hxf: " + full_line);

    const CommandResult file = Hxf(arguments);
    ASSERT_FALSE(file.out.empty());
    // bash's pipefail gives hxf's status; wc counts what came through the pipe.
    std::vector<std::string> piped = {"-o", "pipefail", "-c", "\"$0\" \"$@\" | wc -c", HXF_BINARY};
    piped.insert(piped.end(), arguments.begin(), arguments.end());
    const CommandResult pipe = testing::RunCommand("/bin/bash", piped, dir_.path());
    EXPECT_EQ(pipe.exit_status, c.exit_status);
    EXPECT_EQ(pipe.out, std::to_string(file.out.size()) + "\n");
    EXPECT_EQ(pipe.err, "");
  }
  const CommandResult english =
      testing::RunCommand(HXF_BINARY, {"--lang", "en", "list", "fw.hxf"}, dir_.path(), "/dev/full");
  EXPECT_EQ(english.err,
            std::string("hxf: writing standard output failed: ") + std::strerror(ENOSPC) + "\n");
}

}  // namespace
}  // namespace hxf
