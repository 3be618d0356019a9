#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "cli/terminal.h"

namespace hxf::cli {
namespace {

// False, with errno set, when not all of `text` could be written.
bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written == 0) errno = EIO;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::mutex output_mutex;
Status output_failure;  // the first, guarded by output_mutex

void NoteOutputFailure(int error) {
  std::lock_guard lock(output_mutex);
  if (!output_failure.ok()) return;
  const Status::Code code = error == ENOSPC ? Status::Code::kNoSpace : Status::Code::kIoError;
  output_failure = Status::Error(code, std::strerror(error));
}

bool WriteOutputChecked(std::string_view text) {
  if (WriteAll(STDOUT_FILENO, text)) return true;
  NoteOutputFailure(errno);
  return false;
}

}  // namespace

bool ErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

void WriteError(std::string_view text) {
  WriteAll(STDERR_FILENO, text);
}

void WriteOutput(std::string_view text) {
  WriteOutputChecked(text);
}

bool WriteOutputBytes(std::span<const std::byte> bytes) {
  return WriteOutputChecked(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Status OutputFailure() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) NoteOutputFailure(errno != 0 ? errno : EIO);
  std::lock_guard lock(output_mutex);
  return output_failure;
}

void RewriteErrorLine(std::string_view text) {
  // Back to the line's start, erase to its end, then the new text: one write.
  WriteError("\r\033[K" + std::string(text));
}

}  // namespace hxf::cli
