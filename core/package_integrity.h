// Whether a package read to its end is whole: the header's length field against the file's size,
// its checksum against the body, and the records up to an end marker that is the file's last four
// bytes. `hxf verify` reports these checks; an edit in place refuses a package that fails any of
// them, because the fresh header it writes would seal the damage and make the package pass.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/record_reader.h"

namespace hxf {

// Every check of the header says this of a file too short to hold one.
inline constexpr const char* kShortFileProblem = "the file is shorter than a header";

// What a pass over the records saw of them, step by step.
class RecordTally {
 public:
  // Notes the step the reader has just made.
  void Count(RecordReader::Step step, const RecordReader& reader);

  std::uint64_t entries() const { return entries_; }
  // The offset of the first name length of 0, if there was one.
  const std::optional<std::uint64_t>& end_marker_offset() const { return end_marker_offset_; }

 private:
  std::uint64_t entries_ = 0;
  std::optional<std::uint64_t> end_marker_offset_;
};

enum class IntegrityKind { kLength, kChecksum, kRecords };

struct IntegrityFinding {
  IntegrityKind kind;
  bool passed;
  std::string message;                  // what was found, in words; may be empty when passed
  std::optional<std::uint64_t> offset;  // of the record concerned, when there is one
};

// A checksum as the checks show it: 0x and eight hexadecimal digits.
std::string ChecksumText(std::uint32_t checksum);

// The log text (core/log_texts.h) of a check that failed.
std::string_view IntegrityProblemText(IntegrityKind kind);

// The three checks, in that order, of a package `reader` has read to its end (Next() returned
// kEnd or kCorrupt) while `tally` counted its steps.
std::vector<IntegrityFinding> CheckIntegrity(const RecordReader& reader, const RecordTally& tally);

}  // namespace hxf
