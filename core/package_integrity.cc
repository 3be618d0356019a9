#include "core/package_integrity.h"

#include <cstdio>

#include "core/log_texts.h"
#include "core/package_format.h"

namespace hxf {
namespace {

IntegrityFinding CheckRecords(const RecordReader& reader, const RecordTally& tally) {
  const std::uint64_t size = reader.file_size();
  const std::optional<std::uint64_t>& end_marker = tally.end_marker_offset();
  std::string records = std::to_string(tally.entries()) + " entries";
  const bool passed =
      !reader.corruption() && end_marker && *end_marker + format::kEndMarkerSize == size;
  if (end_marker && *end_marker + format::kEndMarkerSize != size) {
    records += "; " + std::to_string(size - *end_marker - format::kEndMarkerSize) +
               " bytes after the end marker at offset " + std::to_string(*end_marker);
  } else if (reader.corruption()) {
    records += "; " + Describe(*reader.corruption());
  } else if (!end_marker) {
    records += "; no end marker";
  }
  return {IntegrityKind::kRecords, passed, records,
          reader.corruption() ? std::optional(reader.corruption()->offset) : end_marker};
}

}  // namespace

std::string ChecksumText(std::uint32_t checksum) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", checksum);
  return text;
}

void RecordTally::Count(RecordReader::Step step, const RecordReader& reader) {
  switch (step) {
    case RecordReader::Step::kEntry:
      ++entries_;
      break;
    case RecordReader::Step::kEndMarker:
      if (!end_marker_offset_) end_marker_offset_ = reader.offset() - format::kLengthFieldSize;
      break;
    case RecordReader::Step::kEnd:
    case RecordReader::Step::kCorrupt:
      break;
  }
}

std::string_view IntegrityProblemText(IntegrityKind kind) {
  switch (kind) {
    case IntegrityKind::kLength:
      return text::kLengthMismatch;
    case IntegrityKind::kChecksum:
      return text::kChecksumMismatch;
    case IntegrityKind::kRecords:
      return text::kRecordsWrong;
  }
  return text::kRecordsWrong;
}

std::vector<IntegrityFinding> CheckIntegrity(const RecordReader& reader, const RecordTally& tally) {
  std::vector<IntegrityFinding> findings;
  if (!reader.HeaderComplete()) {
    findings.push_back({IntegrityKind::kLength, false, kShortFileProblem, std::nullopt});
    findings.push_back({IntegrityKind::kChecksum, false, kShortFileProblem, std::nullopt});
  } else {
    findings.push_back({IntegrityKind::kLength, reader.HeaderLengthField() == reader.file_size(),
                        "header says " + std::to_string(reader.HeaderLengthField()) +
                            ", file has " + std::to_string(reader.file_size()),
                        std::nullopt});
    findings.push_back({IntegrityKind::kChecksum, reader.HeaderChecksumField() == reader.Checksum(),
                        "header says " + ChecksumText(reader.HeaderChecksumField()) + ", body sums to " +
                            ChecksumText(reader.Checksum()),
                        std::nullopt});
  }
  findings.push_back(CheckRecords(reader, tally));
  return findings;
}

}  // namespace hxf
