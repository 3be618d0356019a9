// Requests to stop, as Windows sends them: a console's Ctrl-Break, sent to the process group of
// a packer that shares this test's console.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "core/log_texts.h"
#include "core/unique_handle_win32.h"
#include "core/wide_string_win32.h"
#include "tests/reliability/reliability_support.h"
#include "tests/support/files.h"
#include "tests/support/run_command.h"

namespace hxf::testing {
namespace {

UniqueHandle Inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return UniqueHandle(CreateFileW(WideFromUtf8Lossy(path).c_str(), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Whether a temporary file of ours is in `directory`.
bool HoldsATemporaryFile(const std::string& directory) {
  WIN32_FIND_DATAW found{};
  UniqueFindHandle search(
      FindFirstFileW(WideFromUtf8Lossy(directory + "\\.hxf-tmp-*").c_str(), &found));
  return static_cast<bool>(search);
}

TEST(InterruptedPack, CtrlBreakCancelsTheJobAndKeepsThePackage) {
  // Control events travel through a console: the packer gets this test's, in a process group of
  // its own, so that the event reaches it alone.
  if (GetConsoleWindow() == nullptr) AllocConsole();
  TempDir dir;
  WriteFile(dir / "tree/big.bin", "");
  std::filesystem::resize_file(std::filesystem::path(dir / "tree/big.bin"),
                               std::uintmax_t{3} << 29);  // 1.5 GiB, of holes where it can
  const Bytes old = ToBytes("the old package");
  WriteFile(dir / "fw.hxf", old);

  std::wstring command_line = L"\"" + WideFromUtf8Lossy(HXF_BINARY) + L"\" pack -C \"" +
                              WideFromUtf8Lossy(dir / "tree") + L"\" \"" +
                              WideFromUtf8Lossy(dir / "fw.hxf") + L"\"";
  UniqueHandle in = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  UniqueHandle err = Inheritable(dir / "err", GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.get();
  startup.hStdOutput = in.get();
  startup.hStdError = err.get();
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE,
                             CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &started));
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  err.Reset();
  // Under way once its new package is there beside the old one (Wine counts no bytes written).
  bool under_way = false;
  while (!under_way && WaitForSingleObject(process.get(), 1) == WAIT_TIMEOUT) {
    under_way = HoldsATemporaryFile(dir.path());
  }
  ASSERT_TRUE(under_way) << "the pack never got under way: " << ToString(ReadFile(dir / "err"));
  if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, started.dwProcessId)) {
    const DWORD error = GetLastError();
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), INFINITE);
    // Wine 8 without a display gives console programs a console with no window, which sends no
    // control events.
    GTEST_SKIP() << "this console delivers no control events (error " << error << ")";
  }
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(process.get(), &code));
  EXPECT_EQ(code, 130u);

  EXPECT_EQ(ReadFile(dir / "fw.hxf"), old);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"err", "fw.hxf", "tree"}));
  EXPECT_NE(ToString(ReadFile(dir / "err")).find(text::kCancelled), std::string::npos);
}

}  // namespace
}  // namespace hxf::testing
