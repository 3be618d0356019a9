// The program on Windows: arguments arrive as UTF-16 and must reach the files as the same names;
// output that is redirected is UTF-8.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "core/log_texts.h"
#include "core/unique_handle_win32.h"
#include "core/wide_string_win32.h"
#include "tests/cli/cli_test.h"

namespace hxf {
namespace {

using testing::Bytes;
using testing::CommandResult;
using testing::ReadFile;
using testing::ToBytes;

TEST_F(CliTest, ChineseArgumentsNameTheSameFiles) {
  const std::string package = "\xE5\x9B\xBA\xE4\xBB\xB6.hxf";  // 固件.hxf
  const std::string folder = "\xE8\xA7\xA3\xE5\x8C\x85";       // 解包
  const std::string entry = "\xD6\xD0.txt";                    // 中.txt in GBK
  testing::WriteFile(dir_ / package, testing::BuildPackage({{entry, "x"}}));
  CommandResult unpacked = Hxf({"unpack", package, "-C", folder});
  EXPECT_EQ(unpacked.exit_status, 0) << unpacked.err;
  EXPECT_EQ(ReadFile(dir_ / folder + "/\xE4\xB8\xAD.txt"), ToBytes("x"));

  CommandResult listed = Hxf({"list", package});
  EXPECT_EQ(listed.exit_status, 0) << listed.err;
  EXPECT_EQ(listed.out, "         1  \xE4\xB8\xAD.txt\n");  // UTF-8 when redirected

  CommandResult packed = Hxf({"-q", "pack", "again.hxf", "-C", folder});
  EXPECT_EQ(packed.exit_status, 0) << packed.err;
  EXPECT_EQ(ReadFile(dir_ / "again.hxf"), ReadFile(dir_ / package));
}

TEST_F(CliTest, AMissingChinesePackageIsNamedInTheError) {
  const std::string missing = "\xE6\xB2\xA1\xE6\x9C\x89.hxf";  // 没有.hxf
  CommandResult result = Hxf({"unpack", missing});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find(missing), std::string::npos) << result.err;
}

// Standard output is in text mode by default on Windows, where LF becomes CR LF: an entry's bytes
// must reach a redirected output exactly.
TEST_F(CliTest, CatWritesAnEntrysBytesExactlyToARedirectedOutput) {
  const std::string data(
      "a\nb\r\nc\x1A"
      "d\0e\n\n\r\x1A",
      13);
  testing::WriteFile(package(), testing::BuildPackage({{"data.bin", data}, {"z.txt", "\n"}}));
  CommandResult one = Hxf({"cat", "fw.hxf", "data.bin"});
  EXPECT_EQ(one.exit_status, 0) << one.err;
  EXPECT_EQ(ToBytes(one.out), ToBytes(data));
  EXPECT_EQ(one.err, "");
  CommandResult both = Hxf({"cat", "fw.hxf", "*"});
  EXPECT_EQ(ToBytes(both.out), ToBytes(data + "\n"));
}

// The text of the console `screen`, row by row, trailing blanks cut.
std::wstring ScreenText(HANDLE screen) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(screen, &info)) return L"";
  std::wstring text;
  for (SHORT row = 0; row <= info.dwCursorPosition.Y; ++row) {
    std::wstring line(static_cast<std::size_t>(info.dwSize.X), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, line.data(), static_cast<DWORD>(line.size()), {0, row},
                                &read);
    line.resize(read);
    line.erase(line.find_last_not_of(L' ') + 1);
    text += line + L"\n";
  }
  return text;
}

// CLI11 writes its usage errors as narrow text; on a console they go through the terminal, which
// writes UTF-16 there, so that a Chinese name in the message shows as itself.
TEST_F(CliTest, AUsageErrorShowsItsChineseOnAConsole) {
  AllocConsole();  // fails when this process has one already
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueHandle screen(CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                                CONSOLE_TEXTMODE_BUFFER, nullptr));
  // Wine without a display gives a console program a console without a screen.
  if (!screen) GTEST_SKIP() << "no console screen buffer here (error " << GetLastError() << ")";
  // 甲.hxf 乙.hxf: list takes one package, so the second is not expected.
  std::wstring command_line =
      L"\"" + WideFromUtf8Lossy(HXF_BINARY) + L"\" list \x7532.hxf \x4E59.hxf";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = INVALID_HANDLE_VALUE;
  startup.hStdOutput = screen.get();
  startup.hStdError = screen.get();
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             WideFromUtf8Lossy(dir_.path()).c_str(), &startup, &started));
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 2u);
  const std::wstring shown = ScreenText(screen.get());
  EXPECT_NE(shown.find(L"\x4E59.hxf"), std::wstring::npos) << Utf8FromWideLossy(shown);
}

// Whether a temporary file of ours is in `directory`.
bool HoldsATemporaryFile(const std::string& directory) {
  WIN32_FIND_DATAW found{};
  UniqueFindHandle search(
      FindFirstFileW(WideFromUtf8Lossy(directory + "\\.hxf-tmp-*").c_str(), &found));
  return static_cast<bool>(search);
}

// A file being written is marked for deletion until it is committed: killed with
// TerminateProcess, which no handler sees, the job leaves nothing but the package it had.
TEST_F(CliTest, AKilledRepackLeavesNoTemporaryFileAndAWholePackage) {
  const Bytes old = ToBytes("the user's firmware");
  testing::WriteFile(package(), old);
  std::filesystem::create_directories(std::filesystem::path(dir_ / "in_hxf"));
  {
    std::ofstream big(std::filesystem::path(dir_ / "in_hxf/big.bin"), std::ios::binary);
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 256; ++i) big.write(block.data(), block.size());
  }
  std::wstring command_line = L"\"" + WideFromUtf8Lossy(HXF_BINARY) + L"\" -q pack fw.hxf";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             WideFromUtf8Lossy(dir_.path()).c_str(), &startup, &started));
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  bool seen = false;
  for (int wait = 0; wait < 20000 && !seen; ++wait) {
    seen = HoldsATemporaryFile(dir_.path());
    if (!seen && WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;
  }
  ASSERT_TRUE(seen) << "the repack was never seen under way";
  TerminateProcess(process.get(), 99);
  WaitForSingleObject(process.get(), INFINITE);

  EXPECT_FALSE(HoldsATemporaryFile(dir_.path()));
  // Killed before its commit, the old package; after it, the whole new one.
  const Bytes now = ReadFile(package());
  if (now != old) {
    EXPECT_EQ(Hxf({"verify", "fw.hxf"}).exit_status, 0);
  }
}

}  // namespace
}  // namespace hxf
