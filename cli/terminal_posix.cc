#include <errno.h>
#include <unistd.h>

#include <string>

#include "cli/terminal.h"

namespace hxf::cli {
namespace {

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

bool ErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

void WriteError(std::string_view text) {
  WriteAll(STDERR_FILENO, text);
}

void WriteOutput(std::string_view text) {
  WriteAll(STDOUT_FILENO, text);
}

bool WriteOutputBytes(std::span<const std::byte> bytes) {
  return WriteAll(STDOUT_FILENO,
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void RewriteErrorLine(std::string_view text) {
  // Back to the line's start, erase to its end, then the new text: one write.
  WriteError("\r\033[K" + std::string(text));
}

}  // namespace hxf::cli
