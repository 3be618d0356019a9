// The thin layer over the operating system's files and directories. Everything the jobs do to
// the disk goes through these interfaces, so that tests can substitute failing or in-memory
// implementations and a native Windows implementation can stand beside the POSIX one. Each
// platform has its own file (file_system_posix.cc, ...), chosen by the build.
//
// Paths and names inside the program are UTF-8 on every host; an implementation converts them to
// the system's own form (UTF-16 on Windows) at its boundary, and names it lists back to UTF-8. A
// file is held without sharing while it is written or replaced, and while a package is read:
// another job's open of the same file then fails with Status::Code::kBusy instead of waiting. A
// source file read for packing is held shared, so any number of packers may read one tree at once;
// it still cannot be read while one of our jobs writes it, nor written while it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/directory_listing.h"
#include "core/status.h"

namespace hxf {

// Identifies a file or directory independently of the path that reached it.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

// Asked by a long operation where it can still give up: true once the job is to stop. An empty
// one never asks to stop.
using StopRequest = std::function<bool()>;
inline bool StopAsked(const StopRequest& stop) {
  return stop && stop();
}
// What Commit gives when `stop` said so.
inline Status CommitStopped(const std::string& path) {
  return Status::Error(Status::Code::kCancelled,
                       "cannot commit " + path + ": the job was asked to stop");
}

// A file open for reading from its start.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to buffer.size() bytes; 0 only at the end of the file.
  virtual Result<std::size_t> Read(std::span<std::byte> buffer) = 0;
  // Moves the read position to `offset` from the start.
  virtual Status Seek(std::uint64_t offset) = 0;
  // The size the file had when it was opened.
  virtual std::uint64_t size() const = 0;
  virtual FileId id() const = 0;
  virtual const std::string& path() const = 0;
};

// A file being written under a temporary name beside its final one. It takes its final name only
// on Commit; destroyed without a successful Commit, it removes the temporary file, so an
// unfinished file never looks complete and a file it replaces is never lost.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // Appends at the current end.
  virtual Status Write(std::span<const std::byte> bytes) = 0;
  // Overwrites bytes already written, at `offset` from the start.
  virtual Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) = 0;
  // Flushes, then renames the file over its final name. `stop` is asked before the flush, between
  // its steps where the flush takes them, and once more after it, just before the rename: once it
  // says so, Commit fails with kCancelled and the file is abandoned as if Commit had never been
  // called, so a job told to stop never replaces anything. Once renamed, the file is committed,
  // whatever `stop` says later.
  virtual Status Commit(const StopRequest& stop) = 0;
  // The identity of the temporary file (so a walk of the tree can leave it out).
  virtual FileId id() const = 0;
  // Opens, for reading from its start, the file this one will replace, through the hold this
  // one already has on it: a package edited in place is read while its replacement is written,
  // and no other job can change it in between. Fails with kNotFound when no file is replaced.
  virtual Result<std::unique_ptr<InputFile>> OpenReplaced() {
    return Status::Error(Status::Code::kNotFound, "no file to open in " + path());
  }
  // The final path.
  virtual const std::string& path() const = 0;
};

// A listing with the size of each of its files, by the entry's index (0 for what is not a file).
struct SizedListing {
  Listing listing;
  std::vector<std::uint64_t> sizes;
};

// An open directory. Names given to it are single components, never paths.
class Directory {
 public:
  virtual ~Directory() = default;
  virtual const std::string& path() const = 0;
  virtual FileId id() const = 0;

  // Every entry but "." and "..", in the order the file system reports them.
  virtual Result<Listing> List() = 0;
  // Opens the subdirectory `name`, following a link.
  virtual Result<std::unique_ptr<Directory>> OpenSubdirectory(std::string_view name) = 0;
  // Opens the subdirectory `name`, creating it if missing. A link in its place is never followed:
  // that fails, so nothing can be written outside this directory through one.
  virtual Result<std::unique_ptr<Directory>> MakeSubdirectory(std::string_view name) = 0;
  // Opens the file `name` for reading, following a link, held shared with other readers.
  virtual Result<std::unique_ptr<InputFile>> OpenFile(std::string_view name) = 0;
  // Opens `name` for reading, held shared with other readers, only when it is a regular file
  // itself: a link is never followed, so what is read is what stands in this directory. Fails
  // with kNotFound when nothing is there; with another code when a link, a directory or anything
  // but a regular file is there, or it cannot be read.
  virtual Result<std::unique_ptr<InputFile>> OpenPlainFile(std::string_view name) = 0;
  // The identity of what `name` leads to, following a link; kNotFound when nothing is there.
  virtual Result<FileId> Identify(std::string_view name) = 0;
  // The size of the file `name` leads to, following a link, without opening it.
  virtual Result<std::uint64_t> FileSize(std::string_view name) = 0;
  // List(), with each file's size as FileSize gives it, or where the system's listing has the
  // sizes already (Windows), as the listing has them: for a link there, its own size, 0. A file
  // whose size cannot be had counts as 0.
  virtual Result<SizedListing> ListWithSizes();
  // Whether the link `name` leads, through every link on its way, to `ancestor` or to something
  // below it. Fails when the link leads nowhere.
  virtual Result<bool> LinkLeadsInside(std::string_view name, const Directory& ancestor) = 0;
  // Starts writing the file `name`, to replace whatever file or link is there once committed.
  // Fails when a directory or a read-only file is in its place, or another job holds that file.
  virtual Result<std::unique_ptr<OutputFile>> CreateFile(std::string_view name) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing file for reading.
  virtual Result<std::unique_ptr<InputFile>> OpenForReading(const std::string& path) = 0;
  // Opens a directory; with `create`, makes it and any missing parents first.
  virtual Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path,
                                                           bool create) = 0;
  // Starts writing the file at `path`, to replace any file there once committed. Commit makes the
  // new file durable before it takes the name, so a crash leaves either the old file or the new
  // one. Where `path` is a link, the file it leads to is the one replaced and the link stays. The
  // replacement keeps the permissions (and, where the process may set them, the owner and group)
  // of the file it replaces. Fails with kInvalidArgument, touching nothing, when what stands at
  // `path` is not a regular file (a directory, a pipe, a device, a socket), and with kBusy while
  // another job holds the existing file.
  virtual Result<std::unique_ptr<OutputFile>> CreateReplacing(const std::string& path) = 0;
  // The identity of what is at `path`; kNotFound when nothing is.
  virtual Result<FileId> Identify(const std::string& path) = 0;
};

// The host's file system.
FileSystem& SystemFileSystem();

// How the names of our own unfinished files begin: a dot name, so that a walk for packing passes
// over one that a crash left behind.
inline constexpr std::string_view kTemporaryNamePrefix = ".hxf-tmp-";

// The path of `name` in the directory at `directory` (the name alone when `directory` is empty,
// the current directory), with the host's separator.
std::string JoinPath(std::string_view directory, std::string_view name);

// The directory part of `path`: what `path` names a file in. Empty for a bare file name.
std::string DirectoryPart(std::string_view path);

}  // namespace hxf
