// How a job that wrote a package ends its log: "文件关闭" when all went well, or else a summary of
// how many files were left out or how many problems there were, which is then the last line, so
// that nothing above it says all was well. Before the summary: how many names beginning with a dot
// were left out, which is no problem by itself.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/log_owner.h"
#include "pack/pack_directory.h"

namespace hxf {

// `problems`: the problem lines the job logged while the package was written.
std::vector<LogLine> PackEndLines(const PackTotals& totals, std::uint64_t problems);

// The line that counts the names beginning with a dot left out, when there were any.
std::optional<LogLine> HiddenCountLine(const PackTotals& totals);

}  // namespace hxf
