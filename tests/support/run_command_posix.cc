#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "tests/support/files.h"
#include "tests/support/run_command.h"

extern char** environ;

namespace hxf::testing {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The bytes `pid` has written so far, as the system counts them; nullopt once it is gone.
std::optional<std::uint64_t> BytesWrittenBy(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  for (std::string key; io >> key;) {
    std::uint64_t value = 0;
    io >> value;
    if (key == "wchar:") return value;
  }
  return std::nullopt;
}

}  // namespace

std::string NotFoundReason() {
  return std::strerror(ENOENT);
}

bool WaitUntilWritten(pid_t pid, std::uint64_t bytes, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    const std::optional<std::uint64_t> written = BytesWrittenBy(pid);
    if (!written) return false;
    if (*written > bytes) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& working_directory, const std::string& output_path) {
  TempDir capture;
  const std::string out_path = output_path.empty() ? capture / "out" : output_path;
  const std::string err_path = capture / "err";

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  if (!working_directory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, working_directory.c_str());
  }

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  CommandResult result;
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  if (output_path.empty()) result.out = Slurp(out_path);
  result.err = Slurp(err_path);
  return result;
}

}  // namespace hxf::testing
