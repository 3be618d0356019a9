// Names Windows cannot hold, or would take for something else: a package unpacked there must not
// name a device or lose a trailing dot on the way. A pure rule over UTF-8 text, the same on every
// host, so that a package made elsewhere can be checked before it reaches Windows.
#pragma once

#include <string>
#include <string_view>

namespace hxf {

// Why Windows cannot hold `component` (one component of a decoded entry name) as a file or
// directory name, or empty when it can: a device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM1-9, LPT1-9 and COM/LPT with a superscript digit ¹ ² ³), in any ASCII case and with or
// without an extension; a name ending in a dot or a space; one of the characters < > : " | ? *.
// Control characters are refused on every host (EntryComponentProblem) and not told here.
std::string WindowsNameProblem(std::string_view component);

}  // namespace hxf
