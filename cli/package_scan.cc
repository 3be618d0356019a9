#include "cli/package_scan.h"

namespace hxf::cli {

Result<PackageScan> ScanPackage(const std::string& path,
                                const std::function<void(const EntryRecord&)>& on_entry) {
  Result<std::unique_ptr<InputFile>> file = SystemFileSystem().OpenForReading(path);
  if (!file.ok()) return file.status();
  PackageScan scan;
  scan.file = std::move(file.value());
  scan.reader = std::make_unique<RecordReader>(*scan.file);
  RecordReader& reader = *scan.reader;
  while (true) {
    Result<RecordReader::Step> step = reader.Next();
    if (!step.ok()) return step.status();
    switch (*step) {
      case RecordReader::Step::kEnd:
        return scan;
      case RecordReader::Step::kEndMarker:
        if (!scan.end_marker_offset) scan.end_marker_offset = reader.offset() - 4;
        break;
      case RecordReader::Step::kBadNameLength:
        scan.problem = "name length over 400 at offset " + std::to_string(reader.problem_offset());
        if (Status read = reader.ReadToEnd(); !read.ok()) return read;
        return scan;
      case RecordReader::Step::kTruncated:
        scan.problem =
            "the file ends inside the record at offset " + std::to_string(reader.problem_offset());
        return scan;
      case RecordReader::Step::kEntry:
        ++scan.entries;
        on_entry(reader.entry());
        if (Status skipped = reader.SkipData(); !skipped.ok()) {
          if (skipped.code() != Status::Code::kCorruption) return skipped;
          scan.problem = "the file ends inside the data of the record at offset " +
                         std::to_string(reader.entry().offset);
          return scan;
        }
        break;
    }
  }
}

}  // namespace hxf::cli
