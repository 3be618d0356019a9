// Checks shared by the reliability tests: what a package on disk holds, and whether a tree of
// output files holds only whole files.
#pragma once

#include <sys/types.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/log_owner.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"

namespace hxf::testing {

struct PackageContents {
  // The header's texts, length and checksum match, and every record was read to its end.
  bool whole = false;
  std::vector<TestEntry> entries;
};

// Reads `package` with the library's reader.
PackageContents ReadPackage(const Bytes& package);

// Files under `root` whose names mark them as temporary (".hxf-tmp-..."), as relative paths.
std::vector<std::string> TemporaryFilesUnder(const std::string& root);

// For each relative path, the contents a file there may have.
using AllowedContents = std::map<std::string, std::set<std::string>>;
// The paths and data the records of `entries` give (backslashes become slashes).
AllowedContents ContentsOf(const std::vector<TestEntry>& entries);
// The files under `root` that are not one of the contents allowed at their path, each described
// by its path and size.
std::vector<std::string> FilesNotAllowed(const std::string& root, const AllowedContents& allowed);

// Whether any line has kind kProblem; and whether one contains `text`.
bool HasProblemLine(const std::vector<LogLine>& lines);
bool AnyLineContains(const std::vector<LogLine>& lines, const std::string& text);

// Starts `program` with `arguments`, standard input and output on the null device and standard
// error appended to `error_path` (several processes may share it). Returns the process id, -1
// when it could not be started. Each platform has its own file (process_posix.cc, ...).
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& error_path);
// Waits for `pid`; returns its exit status, or -1 when a signal (or Kill) ended it.
int WaitExit(pid_t pid);
// Ends `pid` at once, giving it no chance to clean up: SIGKILL, or TerminateProcess on Windows.
void Kill(pid_t pid);

// A tree of files to pack: `files` files of `size` bytes each, filled from `seed`, some of them
// in subdirectories.
void MakeTree(const std::string& root, int files, std::size_t size, unsigned seed);

}  // namespace hxf::testing
