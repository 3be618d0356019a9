// What `hxf verify` and the window check in a package before it is flashed: the header's texts
// and zero fields, its length and checksum against the file, the records up to the end marker,
// and the names as the unpacker and the player will see them. Nothing is written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/file_system.h"
#include "core/name_encoding.h"
#include "verify/package_scan.h"

namespace hxf {

enum class CheckKind {
  kHeaderTexts,   // the magic and description texts
  kHeaderZeros,   // the header's fields that must be zero
  kLength,        // the header's length against the file's size
  kChecksum,      // the header's checksum against the body's sum
  kRecords,       // the records, up to an end marker that is the file's last four bytes
  kNames,         // one per name problem, or one that passed
  kWindowsNames,  // one per name Windows cannot hold (a warning), or one that passed
};

// A warning is a flaw only on some hosts: the package is whole, but not every host can unpack it.
// Ordered so that the worse of two grades is the greater.
enum class CheckGrade { kPassed, kWarning, kFailed };

// The kind as `hxf verify` prints it ("header texts", "length", ...).
const char* CheckKindName(CheckKind kind);

struct CheckFinding {
  CheckKind kind;
  CheckGrade grade;
  std::string message;                  // what was found, in words; may be empty when passed
  std::optional<std::uint64_t> offset;  // of the record concerned, when there is one

  bool passed() const { return grade == CheckGrade::kPassed; }
};

struct PackageCheck {
  PackageScan scan;
  std::vector<CheckFinding> findings;      // in the order above; several per kind when it failed
  CheckGrade grade = CheckGrade::kFailed;  // the worst of the findings'

  bool passed() const { return grade == CheckGrade::kPassed; }
};

// Reads `file` (open at its start) to its end and checks it, decoding names as `encoding` says;
// `on_entry` (when given) sees each entry as ScanPackage hands it. Fails as ScanPackage does: the
// package could not be read, or `stop` said so.
Result<PackageCheck> CheckPackage(std::unique_ptr<InputFile> file, NameEncoding encoding,
                                  const std::function<void(const RecordReader&)>& on_entry = {},
                                  const std::function<bool()>& stop = nullptr);

}  // namespace hxf
