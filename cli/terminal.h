// The command line's terminal: standard output and standard error, whether they are a terminal,
// and the progress line. Texts are UTF-8; each platform writes them the way its terminals show
// them (a Windows console is written in UTF-16, anything redirected gets the UTF-8 bytes).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "core/status.h"

namespace hxf::cli {

// Whether standard error is a terminal a person watches (so a progress line makes sense there).
bool ErrorIsTerminal();

// Each writes the whole text at once, so texts from different threads never mix mid-line.
void WriteError(std::string_view text);
void WriteOutput(std::string_view text);

// Writes `bytes` to standard output exactly as they are, on every host and whatever standard
// output is: no line ends are changed (as a Windows stream in text mode would) and nothing is
// converted for a console. False when not all of them could be written.
bool WriteOutputBytes(std::span<const std::byte> bytes);

// The first write to standard output that failed since the program started, with the system's
// reason as its message; OK when all went through. What the C library's stream may still hold
// is flushed first, so a failure that shows only then is found too. A command's output is kept
// on writing; the program reports this once, as it ends.
Status OutputFailure();

// Replaces what stands on standard error's current line with `text`, leaving the cursor after it;
// an empty text clears the line. Only for a terminal.
void RewriteErrorLine(std::string_view text);

}  // namespace hxf::cli
