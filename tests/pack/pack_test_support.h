// Helpers shared by the pack tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/package_bytes.h"

namespace hxf::testing {

// An entry as read back from a package.
struct PackedEntry {
  std::string name;
  std::string data;
  bool operator==(const PackedEntry&) const = default;
};
void PrintTo(const PackedEntry& entry, std::ostream* out);

// The entries of a package, read back with the library's reader; fails the test when the package
// is not well formed (a record cut short, a bad name length, a wrong header).
std::vector<PackedEntry> ReadEntries(const Bytes& package);
std::vector<std::string> EntryNames(const std::vector<PackedEntry>& entries);

// The names directly in `directory`, sorted (to see that no temporary file was left behind).
std::vector<std::string> NamesIn(const std::string& directory);

// Makes an empty file of `size` bytes without using the disk (its content reads as zeros).
void MakeSparseFile(const std::string& path, std::uint64_t size);

}  // namespace hxf::testing
