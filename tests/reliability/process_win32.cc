// Child processes on Windows: CreateProcessW, waiting on the process's handle, TerminateProcess.
// The handles are kept here by process id until the process has been waited for, so that its
// exit code is never lost and its id never reused meanwhile.
#include <windows.h>

#include <map>
#include <mutex>

#include "core/unique_handle_win32.h"
#include "core/wide_string_win32.h"
#include "tests/reliability/reliability_support.h"

namespace hxf::testing {
namespace {

// The exit code TerminateProcess gives a process Kill ends; WaitExit reports it as -1, as a
// signal's end is reported on POSIX.
constexpr UINT kKilled = 0xDEAD;

struct Children {
  std::mutex mutex;
  std::map<pid_t, UniqueHandle> handles;
};

Children& TheChildren() {
  static Children children;
  return children;
}

UniqueHandle Inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return UniqueHandle(CreateFileW(WideFromUtf8Lossy(path).c_str(), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// As CommandLineToArgvW reads it back (the program's own arguments have no quotes).
std::wstring Quoted(const std::string& argument) {
  return L"\"" + WideFromUtf8Lossy(argument) + L"\"";
}

}  // namespace

pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& error_path) {
  std::wstring command_line = Quoted(program);
  for (const std::string& argument : arguments) command_line += L" " + Quoted(argument);
  UniqueHandle in = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  UniqueHandle out = Inheritable("NUL", GENERIC_WRITE, OPEN_EXISTING);
  // Appending: several children write whole lines to one file.
  UniqueHandle err = Inheritable(error_path, FILE_APPEND_DATA, OPEN_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.get();
  startup.hStdOutput = out.get();
  startup.hStdError = err.get();
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return -1;
  }
  UniqueHandle thread(started.hThread);
  const pid_t pid = static_cast<pid_t>(started.dwProcessId);
  std::lock_guard lock(TheChildren().mutex);
  TheChildren().handles[pid] = UniqueHandle(started.hProcess);
  return pid;
}

int WaitExit(pid_t pid) {
  UniqueHandle process;
  {
    std::lock_guard lock(TheChildren().mutex);
    auto found = TheChildren().handles.find(pid);
    if (found == TheChildren().handles.end()) return -1;
    process = std::move(found->second);
    TheChildren().handles.erase(found);
  }
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code) || code == kKilled) return -1;
  return static_cast<int>(code);
}

void Kill(pid_t pid) {
  std::lock_guard lock(TheChildren().mutex);
  auto found = TheChildren().handles.find(pid);
  if (found != TheChildren().handles.end()) TerminateProcess(found->second.get(), kKilled);
}

}  // namespace hxf::testing
