// The command line's terminal: standard output and standard error, whether they are a terminal,
// and the progress line. Texts are UTF-8; each platform writes them the way its terminals show
// them (a Windows console is written in UTF-16, anything redirected gets the UTF-8 bytes).
#pragma once

#include <string_view>

namespace hxf::cli {

// Whether standard error is a terminal a person watches (so a progress line makes sense there).
bool ErrorIsTerminal();

// Each writes the whole text at once, so texts from different threads never mix mid-line.
void WriteError(std::string_view text);
void WriteOutput(std::string_view text);

// Replaces what stands on standard error's current line with `text`, leaving the cursor after it;
// an empty text clears the line. Only for a terminal.
void RewriteErrorLine(std::string_view text);

}  // namespace hxf::cli
