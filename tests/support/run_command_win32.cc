// Runs a program as cmd.exe would: CreateProcessW with one command line, quoted so that the
// program's own parsing (CommandLineToArgvW's rules) gives back each argument.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/unique_handle_win32.h"
#include "core/wide_string_win32.h"
#include "core/windows_status.h"
#include "tests/support/files.h"
#include "tests/support/run_command.h"

namespace hxf::testing {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                   std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// One argument as CommandLineToArgvW reads it back: quotes around it, each quote escaped, and
// the backslashes before a quote (or the closing one) doubled.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

UniqueHandle Inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return UniqueHandle(CreateFileW(WideFromUtf8Lossy(path).c_str(), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The bytes process `pid` has written so far, as the system counts them; false once it is gone.
bool BytesWrittenBy(pid_t pid, std::uint64_t& written) {
  UniqueHandle process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  if (!process || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return false;
  IO_COUNTERS counters{};
  if (!GetProcessIoCounters(process.get(), &counters)) return false;
  written = counters.WriteTransferCount;
  return true;
}

}  // namespace

std::string NotFoundReason() {
  const std::string message =
      WindowsStatus(ERROR_FILE_NOT_FOUND, "open", "x").message();  // "cannot open x: <reason>"
  return message.substr(message.find(": ") + 2);
}

bool WaitUntilWritten(pid_t pid, std::uint64_t bytes, int seconds) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (GetTickCount64() < deadline) {
    std::uint64_t written = 0;
    if (!BytesWrittenBy(pid, written)) return false;
    if (written > bytes) return true;
    Sleep(5);
  }
  return false;
}

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& working_directory, const std::string& output_path) {
  TempDir capture;
  const std::string out_path = output_path.empty() ? capture / "out" : output_path;
  const std::string err_path = capture / "err";

  std::wstring command_line = Quoted(WideFromUtf8Lossy(program));
  for (const std::string& argument : arguments) {
    command_line += L" " + Quoted(WideFromUtf8Lossy(argument));
  }
  CommandResult result;
  {
    UniqueHandle in = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    UniqueHandle out =
        Inheritable(out_path, GENERIC_WRITE, output_path.empty() ? CREATE_ALWAYS : OPEN_EXISTING);
    UniqueHandle err = Inheritable(err_path, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION started{};
    const std::wstring directory = WideFromUtf8Lossy(working_directory);
    if (CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       working_directory.empty() ? nullptr : directory.c_str(), &startup,
                       &started)) {
      UniqueHandle process(started.hProcess);
      UniqueHandle thread(started.hThread);
      WaitForSingleObject(process.get(), INFINITE);
      DWORD code = 0;
      if (GetExitCodeProcess(process.get(), &code)) result.exit_status = static_cast<int>(code);
    }
  }
  if (output_path.empty()) result.out = Slurp(out_path);
  result.err = Slurp(err_path);
  return result;
}

}  // namespace hxf::testing
