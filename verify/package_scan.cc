#include "verify/package_scan.h"

namespace hxf {

Result<PackageScan> ScanPackage(std::unique_ptr<InputFile> file,
                                const std::function<void(const RecordReader&)>& on_entry,
                                const std::function<bool()>& stop) {
  PackageScan scan;
  scan.file = std::move(file);
  scan.reader = std::make_unique<RecordReader>(*scan.file);
  RecordReader& reader = *scan.reader;
  while (true) {
    if (stop && stop()) return Status::Error(Status::Code::kCancelled, "the check was stopped");
    Result<RecordReader::Step> step = reader.Next();
    if (!step.ok()) return step.status();
    scan.records.Count(*step, reader);
    switch (*step) {
      case RecordReader::Step::kEnd:
      case RecordReader::Step::kCorrupt:
        return scan;
      case RecordReader::Step::kEndMarker:
        break;
      case RecordReader::Step::kEntry:
        on_entry(reader);
        // A file that shrank while read leaves its report in the reader for the next step.
        if (Status skipped = reader.SkipData(); !skipped.ok() && !reader.corruption()) {
          return skipped;
        }
        break;
    }
  }
}

Result<PackageScan> ScanPackage(const std::string& path,
                                const std::function<void(const RecordReader&)>& on_entry) {
  Result<std::unique_ptr<InputFile>> file = SystemFileSystem().OpenForReading(path);
  if (!file.ok()) return file.status();
  return ScanPackage(std::move(file.value()), on_entry);
}

}  // namespace hxf
