#include "pack/pack_end.h"

#include <string>

#include "core/log_line.h"
#include "core/log_texts.h"

namespace hxf {

std::optional<LogLine> HiddenCountLine(const PackTotals& totals) {
  if (totals.hidden == 0) return std::nullopt;
  return LogLine{LogLineText(text::kHiddenCount, std::to_string(totals.hidden)), LogKind::kFinal};
}

std::vector<LogLine> PackEndLines(const PackTotals& totals, std::uint64_t problems) {
  std::vector<LogLine> lines;
  if (totals.left_out == 0 && problems == 0) {
    lines.push_back({std::string(text::kFileClosed), LogKind::kFinal});
  }
  if (std::optional<LogLine> hidden = HiddenCountLine(totals)) lines.push_back(*hidden);
  if (totals.left_out > 0) {
    lines.push_back(
        {LogLineText(text::kPackIncomplete, std::to_string(totals.left_out)), LogKind::kProblem});
  } else if (problems > 0) {
    lines.push_back(
        {LogLineText(text::kPackProblems, std::to_string(problems)), LogKind::kProblem});
  }
  return lines;
}

}  // namespace hxf
