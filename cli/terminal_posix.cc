#include <unistd.h>

#include <string>

#include "cli/terminal.h"

namespace hxf::cli {
namespace {

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
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

void RewriteErrorLine(std::string_view text) {
  // Back to the line's start, erase to its end, then the new text: one write.
  WriteError("\r\033[K" + std::string(text));
}

}  // namespace hxf::cli
