// The peak memory of one run of a program, measured in a child of its own so that only that run
// counts (POSIX hosts).
#pragma once

#include <string>
#include <vector>

namespace hxf::testing {

struct MeasuredRun {
  int exit_status = -1;  // -1 when the program did not exit normally
  long peak_kib = -1;    // the peak resident memory; -1 when it could not be measured
};

// Runs `program` with `arguments` in `directory` and measures it.
MeasuredRun MeasureRun(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& directory);

}  // namespace hxf::testing
