// The file-system layer on POSIX systems. "Without sharing" is an exclusive, non-blocking flock,
// a shared hold a shared one: flock locks belong to an open file description, so they exclude
// other threads of this process as well as other processes, and a job that finds a file locked
// fails at once instead of waiting.

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "core/file_system.h"
#include "core/unique_fd_posix.h"

namespace hxf {
namespace {

Status ErrnoStatus(int error, const std::string& action, const std::string& path) {
  Status::Code code = Status::Code::kIoError;
  switch (error) {
    case ENOENT:
      code = Status::Code::kNotFound;
      break;
    case EWOULDBLOCK:
      return Status::Error(Status::Code::kBusy,
                           "cannot " + action + " " + path + ": the file is in use");
    case EACCES:
    case EPERM:
    case EROFS:
      code = Status::Code::kPermission;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      code = Status::Code::kNoSpace;
      break;
    default:
      break;
  }
  return Status::Error(code, "cannot " + action + " " + path + ": " + std::strerror(error));
}

FileId IdOf(const struct stat& st) {
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

enum class Hold {
  kExclusive,  // without sharing: while written, replaced, or read as a package
  kShared,     // shared with other readers: a source file read for packing
};

// Takes the lock that stands for the hold.
Status Lock(int fd, const std::string& action, const std::string& path,
            Hold hold = Hold::kExclusive) {
  const int operation = hold == Hold::kShared ? LOCK_SH : LOCK_EX;
  while (flock(fd, operation | LOCK_NB) != 0) {
    if (errno != EINTR) return ErrnoStatus(errno, action, path);
  }
  return Status::Ok();
}

Status WriteAll(int fd, std::span<const std::byte> bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno, "write", path);
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return Status::Ok();
}

class PosixInputFile final : public InputFile {
 public:
  PosixInputFile(UniqueFd fd, const struct stat& st, std::string path)
      : fd_(std::move(fd)),
        size_(static_cast<std::uint64_t>(st.st_size)),
        id_(IdOf(st)),
        path_(std::move(path)) {}

  Result<std::size_t> Read(std::span<std::byte> buffer) override {
    while (true) {
      const ssize_t got = ::read(fd_.get(), buffer.data(), buffer.size());
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) return ErrnoStatus(errno, "read", path_);
    }
  }

  Status Seek(std::uint64_t offset) override {
    if (::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) < 0) {
      return ErrnoStatus(errno, "seek in", path_);
    }
    return Status::Ok();
  }

  std::uint64_t size() const override { return size_; }
  FileId id() const override { return id_; }
  const std::string& path() const override { return path_; }

 private:
  UniqueFd fd_;
  std::uint64_t size_;
  FileId id_;
  std::string path_;
};

constexpr off_t kSequentialHintSize = 256 * 1024;

enum class Links {
  kFollow,
  kRefuse,  // a link at the name is not opened: what is read is what stands there
};

// Opens `name` in `directory_fd` (or a path, with AT_FDCWD) as a locked regular file.
Result<std::unique_ptr<InputFile>> OpenInput(int directory_fd, const std::string& name,
                                             const std::string& path, Hold hold,
                                             Links links = Links::kFollow) {
  // O_NONBLOCK keeps a pipe that took a file's place from hanging the open; it changes nothing
  // for regular files.
  const int no_follow = links == Links::kRefuse ? O_NOFOLLOW : 0;
  UniqueFd fd(::openat(directory_fd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | no_follow));
  if (!fd && errno == ELOOP && links == Links::kRefuse) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot open " + path + ": a link is in its place");
  }
  if (!fd) return ErrnoStatus(errno, "open", path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return ErrnoStatus(errno, "open", path);
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(EISDIR, "open", path);
  if (!S_ISREG(st.st_mode)) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot open " + path + ": not a regular file");
  }
  if (Status locked = Lock(fd.get(), "open", path, hold); !locked.ok()) return locked;
  // A larger read-ahead pays off only for files longer than the default window; for a small file
  // the hint would be one more call and nothing else.
  if (st.st_size > kSequentialHintSize) ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::unique_ptr<InputFile>(new PosixInputFile(std::move(fd), st, path));
}

std::string TemporaryName() {
  static std::atomic<unsigned> counter{0};
  return std::string(kTemporaryNamePrefix) + std::to_string(::getpid()) + "-" +
         std::to_string(counter++);
}

class PosixOutputFile final : public OutputFile {
 public:
  PosixOutputFile(std::shared_ptr<const UniqueFd> directory, UniqueFd fd, UniqueFd replaced,
                  std::string temporary_name, std::string final_name, std::string path,
                  bool durable)
      : directory_(std::move(directory)),
        fd_(std::move(fd)),
        replaced_(std::move(replaced)),
        temporary_name_(std::move(temporary_name)),
        final_name_(std::move(final_name)),
        path_(std::move(path)),
        durable_(durable) {}

  ~PosixOutputFile() override {
    if (!committed_ && !temporary_name_.empty()) {
      ::unlinkat(directory_->get(), temporary_name_.c_str(), 0);
    }
  }

  Status Write(std::span<const std::byte> bytes) override {
    if (Status written = WriteAll(fd_.get(), bytes, path_); !written.ok()) return written;
    written_ += bytes.size();
    if (durable_) StartWriteBack();
    return Status::Ok();
  }

  Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) override {
    while (!bytes.empty()) {
      const ssize_t written =
          ::pwrite(fd_.get(), bytes.data(), bytes.size(), static_cast<off_t>(offset));
      if (written < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus(errno, "write", path_);
      }
      bytes = bytes.subspan(static_cast<std::size_t>(written));
      offset += static_cast<std::uint64_t>(written);
    }
    return Status::Ok();
  }

  Status Commit(const StopRequest& stop) override {
    if (committed_) return Status::Ok();
    if (durable_) {
      if (Status flushed = Flush(stop); !flushed.ok()) return flushed;
    }
    if (StopAsked(stop)) return CommitStopped(path_);
    if (temporary_name_.empty()) {
      if (LinkAs(final_name_)) {
        committed_ = true;
        if (durable_) ::fsync(directory_->get());
        return Status::Ok();
      }
      // Something has taken the name since the file was started: replace it, as for a file
      // that was there from the start, once it is known to be one we may replace.
      if (errno != EEXIST) return ErrnoStatus(errno, "create", path_);
      // A package that replaces a file holds it from the start; anything else is new.
      if (!replaced_) {
        if (Status claimed = ClaimTaken(); !claimed.ok()) return claimed;
      }
      std::string temporary = TemporaryName();
      if (!LinkAs(temporary)) return ErrnoStatus(errno, "create", path_);
      temporary_name_ = std::move(temporary);
    }
    if (::renameat(directory_->get(), temporary_name_.c_str(), directory_->get(),
                   final_name_.c_str()) != 0) {
      return ErrnoStatus(errno, "replace", path_);
    }
    committed_ = true;
    // Make the rename itself durable; the data already is, so a failure here loses nothing.
    if (durable_) ::fsync(directory_->get());
    return Status::Ok();
  }

  // Looked up only when asked (the packer asks, to leave the package out of the tree): an
  // unpacked file is not, and saves the call.
  FileId id() const override {
    if (!id_) {
      struct stat st {};
      id_ = ::fstat(fd_.get(), &st) == 0 ? IdOf(st) : FileId{};
    }
    return *id_;
  }
  const std::string& path() const override { return path_; }

  Result<std::unique_ptr<InputFile>> OpenReplaced() override {
    if (!replaced_) return ErrnoStatus(ENOENT, "open", path_);
    // A duplicate shares the open file description, and so its lock; it reads from the start.
    UniqueFd fd(::fcntl(replaced_.get(), F_DUPFD_CLOEXEC, 0));
    if (!fd) return ErrnoStatus(errno, "open", path_);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return ErrnoStatus(errno, "open", path_);
    if (::lseek(fd.get(), 0, SEEK_SET) < 0) return ErrnoStatus(errno, "open", path_);
    return std::unique_ptr<InputFile>(new PosixInputFile(std::move(fd), st, path_));
  }

 private:
  // A file that will be flushed is handed to the disk a window at a time as it is written, so
  // that the disk works while the rest is copied. Before a window is handed over, the writer waits
  // for the one before the last: no more than two windows are ever on their way to the disk. On a
  // slow disk the time then goes here, between writes, where the job looks at its cancel flag,
  // and not in the final flush.
  void StartWriteBack() {
#ifdef SYNC_FILE_RANGE_WRITE
    while (written_ - handed_over_ >= kWriteBackStep) {
      if (handed_over_ - settled_ >= 2 * kWriteBackStep) {
        WaitForDisk(settled_, kWriteBackStep);
        settled_ += kWriteBackStep;
      }
      ::sync_file_range(fd_.get(), static_cast<off_t>(handed_over_),
                        static_cast<off_t>(kWriteBackStep), SYNC_FILE_RANGE_WRITE);
      handed_over_ += kWriteBackStep;
    }
#endif
  }

  // Makes the file durable. What is still on its way to the disk is waited for a step at a time,
  // asking `stop` between the steps, so that the fsync, which nothing can interrupt, is left
  // little more than the header and the file's own records to write.
  Status Flush(const StopRequest& stop) {
#ifdef SYNC_FILE_RANGE_WRITE
    for (; settled_ < written_; settled_ += kFlushStep) {
      if (StopAsked(stop)) return CommitStopped(path_);
      WaitForDisk(settled_, kFlushStep);
    }
#endif
    if (StopAsked(stop)) return CommitStopped(path_);
    if (::fsync(fd_.get()) != 0) return ErrnoStatus(errno, "flush", path_);
    return Status::Ok();
  }

#ifdef SYNC_FILE_RANGE_WRITE
  // Writes the range's dirty pages and waits until they are on the disk. Only a hint, as the
  // hand-over is: a failure shows in the fsync.
  void WaitForDisk(std::uint64_t offset, std::uint64_t length) const {
    ::sync_file_range(
        fd_.get(), static_cast<off_t>(offset), static_cast<off_t>(length),
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
  }
#endif

  // A window of a couple of megabytes keeps a fast disk busy and a slow one (a player's flash on
  // USB 2) waits only a second or so between two looks at the cancel flag.
  static constexpr std::uint64_t kWriteBackStep = 2 * 1024 * 1024;
  static constexpr std::uint64_t kFlushStep = 1024 * 1024;

  // Gives the unnamed file the name `name` in its directory; false (with errno) on failure.
  // Linking the descriptor itself spares the look-up of its /proc entry, where the system allows
  // it (it may ask for a privilege); once refused, it is not tried again.
  bool LinkAs(const std::string& name) const {
    static std::atomic<bool> descriptor_refused{false};
    if (!descriptor_refused.load(std::memory_order_relaxed)) {
      if (::linkat(fd_.get(), "", directory_->get(), name.c_str(), AT_EMPTY_PATH) == 0) return true;
      if (errno != ENOENT && errno != EPERM && errno != EINVAL) return false;
      descriptor_refused.store(true, std::memory_order_relaxed);
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
    return ::linkat(AT_FDCWD, self.c_str(), directory_->get(), name.c_str(), AT_SYMLINK_FOLLOW) ==
           0;
  }

  // Checks and locks what has taken the final name, as CreateOutput does for what is there from
  // the start.
  Status ClaimTaken();

  std::shared_ptr<const UniqueFd> directory_;  // shared with the Directory that made the file
  UniqueFd fd_;
  UniqueFd replaced_;           // holds the lock on the file being replaced until we are done
  std::string temporary_name_;  // empty while the file has no name
  std::string final_name_;
  std::string path_;
  mutable std::optional<FileId> id_;
  bool durable_;
  bool committed_ = false;
  std::uint64_t written_ = 0;      // bytes appended so far
  std::uint64_t handed_over_ = 0;  // of which handed to the disk
  std::uint64_t settled_ = 0;      // of which known to be on it
};

// What a new file is for: the two differ in what they may replace and what they keep of it.
enum class OutputUse {
  // A file unpacked into a tree: it replaces a link or a special file at its name (never writing
  // through it), gets ordinary attributes, and is not flushed.
  kUnpackedFile,
  // A package: it replaces only a regular file, keeps that file's permissions and owner, and is
  // made durable before it takes the name.
  kPackage,
};

// What stands at the name a new file will take.
struct Target {
  bool occupied = false;  // something is there, to be replaced on commit
  UniqueFd locked;        // the file there, locked, when it is a regular file
  struct stat st {};      // what it is, when occupied
};

// Checks what stands at `name` and locks it if it is a file we will replace.
Result<Target> ClaimTarget(int directory_fd, const std::string& name, const std::string& path,
                           OutputUse use) {
  Target target;
  if (::fstatat(directory_fd, name.c_str(), &target.st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return Target();
    return ErrnoStatus(errno, "create", path);
  }
  target.occupied = true;
  const mode_t mode = target.st.st_mode;
  if (S_ISDIR(mode)) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot create " + path + ": a directory is in its place");
  }
  if (!S_ISREG(mode)) {
    if (use == OutputUse::kUnpackedFile) return target;  // replaced, never written through
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot create " + path + ": not a regular file");
  }
  if ((mode & S_IWUSR) == 0) {
    return Status::Error(Status::Code::kPermission,
                         "cannot create " + path + ": a read-only file is in its place");
  }
  target.locked = UniqueFd(
      ::openat(directory_fd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!target.locked) return ErrnoStatus(errno, "create", path);
  if (Status locked = Lock(target.locked.get(), "replace", path); !locked.ok()) return locked;
  return target;
}

Status PosixOutputFile::ClaimTaken() {
  Result<Target> target = ClaimTarget(directory_->get(), final_name_, path_,
                                      durable_ ? OutputUse::kPackage : OutputUse::kUnpackedFile);
  if (!target.ok()) return target.status();
  replaced_ = std::move(target->locked);
  return Status::Ok();
}

// Whether a file without a name can be given one later: linking it needs its /proc entry.
bool CanLinkUnnamedFiles() {
  static const bool can = ::access("/proc/self/fd", X_OK) == 0;
  return can;
}

// A new file without a name in `directory_fd`, or an invalid descriptor where the file system
// cannot make one.
UniqueFd CreateUnnamed(int directory_fd) {
#ifdef O_TMPFILE
  if (CanLinkUnnamedFiles())
    return UniqueFd(::openat(directory_fd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
#endif
  (void)directory_fd;
  return UniqueFd();
}

// Gives the new file what the user set on the file it replaces. The owner first: changing it
// clears the set-user-ID and set-group-ID bits, which the mode then restores. A process that may
// not give a file away keeps its own ownership; that is no reason to fail the job.
Status KeepAttributes(int fd, const struct stat& replaced, const std::string& path) {
  struct stat now {};
  if (::fstat(fd, &now) != 0) return ErrnoStatus(errno, "create", path);
  if (now.st_uid != replaced.st_uid || now.st_gid != replaced.st_gid) {
    if (::fchown(fd, replaced.st_uid, replaced.st_gid) != 0) {
      (void)::fchown(fd, static_cast<uid_t>(-1), replaced.st_gid);
    }
  }
  if (::fchmod(fd, replaced.st_mode & 07777) != 0) return ErrnoStatus(errno, "create", path);
  return Status::Ok();
}

// A file is written without a name where the file system allows it, and linked in on commit:
// nothing at all is left behind if the process dies first. An unpacked file that replaces another
// is written under a temporary name instead and renamed over it (one directory change less), and
// so is every file where unnamed files cannot be made. In a directory this process has just made
// (`fresh_directory`) nothing is looked for at the name: nothing was there, and what another
// process may have put there since is found by the link on commit, which never replaces, and then
// checked as it would have been here.
Result<std::unique_ptr<OutputFile>> CreateOutput(std::shared_ptr<const UniqueFd> directory,
                                                 const std::string& name, const std::string& path,
                                                 OutputUse use, bool fresh_directory = false) {
  if (fresh_directory && use == OutputUse::kUnpackedFile) {
    if (UniqueFd fd = CreateUnnamed(directory->get())) {
      return std::unique_ptr<OutputFile>(new PosixOutputFile(std::move(directory), std::move(fd),
                                                             UniqueFd(), "", name, path, false));
    }
  }
  Result<Target> target = ClaimTarget(directory->get(), name, path, use);
  if (!target.ok()) return target.status();
  std::string temporary;
  UniqueFd fd;
  if (!target->occupied || use == OutputUse::kPackage) fd = CreateUnnamed(directory->get());
  if (!fd) {
    temporary = TemporaryName();
    fd = UniqueFd(::openat(directory->get(), temporary.c_str(),
                           O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd) return ErrnoStatus(errno, "create", path);
  }
  // A file without a name needs no lock: no other job can reach it until it is complete.
  Status ready = temporary.empty() ? Status::Ok() : Lock(fd.get(), "create", path);
  if (ready.ok() && use == OutputUse::kPackage && target->occupied) {
    ready = KeepAttributes(fd.get(), target->st, path);
  }
  if (!ready.ok()) {
    if (!temporary.empty()) ::unlinkat(directory->get(), temporary.c_str(), 0);
    return ready;
  }
  return std::unique_ptr<OutputFile>(
      new PosixOutputFile(std::move(directory), std::move(fd), std::move(target->locked),
                          std::move(temporary), name, path, use == OutputUse::kPackage));
}

// Where `path` leads once every link in its last component is followed (the directories above
// are the system's to resolve); the path itself when nothing is there.
Result<std::string> FollowLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path current(path);
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0) {
      if (errno == ENOENT) return current.string();
      return ErrnoStatus(errno, "create", path);
    }
    if (!S_ISLNK(st.st_mode)) return current.string();
    std::error_code error;
    const fs::path target = fs::read_symlink(current, error);
    if (error) return ErrnoStatus(error.value(), "create", path);
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return ErrnoStatus(ELOOP, "create", path);
}

// The absolute path of `path` with every link and "." or ".." resolved.
Result<std::string> RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  if (!real) return ErrnoStatus(errno, "find", path);
  return std::string(real.get());
}

bool IsSameOrBelow(const std::string& path, const std::string& ancestor) {
  if (!path.starts_with(ancestor)) return false;
  return path.size() == ancestor.size() || ancestor.back() == '/' || path[ancestor.size()] == '/';
}

class PosixDirectory final : public Directory {
 public:
  PosixDirectory(UniqueFd fd, const struct stat& st, std::string path, bool made = false)
      : fd_(std::make_shared<const UniqueFd>(std::move(fd))),
        id_(IdOf(st)),
        path_(std::move(path)),
        made_(made) {}

  const std::string& path() const override { return path_; }
  FileId id() const override { return id_; }

  Result<Listing> List() override {
    UniqueFd opened(::openat(fd_->get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened) return ErrnoStatus(errno, "list", path_);
    DIR* dir = ::fdopendir(opened.get());
    if (dir == nullptr) return ErrnoStatus(errno, "list", path_);
    opened.release();  // the DIR stream owns it now
    Listing entries;
    Status added;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      added = entries.Add(EntryOf(*entry));
      if (!added.ok()) break;
      errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (!added.ok()) {
      return Status::Error(added.code(), "cannot list " + path_ + ": " + added.message());
    }
    if (error != 0) return ErrnoStatus(error, "list", path_);
    return entries;
  }

  Result<std::unique_ptr<Directory>> OpenSubdirectory(std::string_view name) override {
    return Open(std::string(name), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }

  Result<std::unique_ptr<Directory>> MakeSubdirectory(std::string_view name) override {
    const std::string component(name);
    const bool made = ::mkdirat(fd_->get(), component.c_str(), 0777) == 0;
    if (!made && errno != EEXIST) {
      return ErrnoStatus(errno, "create directory", JoinPath(path_, name));
    }
    return Open(component, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, made);
  }

  Result<std::unique_ptr<InputFile>> OpenFile(std::string_view name) override {
    return OpenInput(fd_->get(), std::string(name), JoinPath(path_, name), Hold::kShared);
  }

  Result<std::unique_ptr<InputFile>> OpenPlainFile(std::string_view name) override {
    return OpenInput(fd_->get(), std::string(name), JoinPath(path_, name), Hold::kShared,
                     Links::kRefuse);
  }

  Result<FileId> Identify(std::string_view name) override {
    struct stat st {};
    if (::fstatat(fd_->get(), std::string(name).c_str(), &st, 0) != 0) {
      return ErrnoStatus(errno, "find", JoinPath(path_, name));
    }
    return IdOf(st);
  }

  Result<std::uint64_t> FileSize(std::string_view name) override {
    struct stat st {};
    if (::fstatat(fd_->get(), std::string(name).c_str(), &st, 0) != 0) {
      return ErrnoStatus(errno, "find", JoinPath(path_, name));
    }
    return static_cast<std::uint64_t>(st.st_size);
  }

  Result<bool> LinkLeadsInside(std::string_view name, const Directory& ancestor) override {
    Result<std::string> target = RealPath(JoinPath(path_, name));
    if (!target.ok()) return target.status();
    Result<std::string> inside = RealPath(ancestor.path());
    if (!inside.ok()) return inside.status();
    return IsSameOrBelow(*target, *inside);
  }

  Result<std::unique_ptr<OutputFile>> CreateFile(std::string_view name) override {
    return CreateOutput(fd_, std::string(name), JoinPath(path_, name), OutputUse::kUnpackedFile,
                        made_);
  }

 private:
  Result<std::unique_ptr<Directory>> Open(const std::string& name, int flags, bool made = false) {
    const std::string path = JoinPath(path_, name);
    UniqueFd fd(::openat(fd_->get(), name.c_str(), flags));
    if (!fd) {
      // A link where a directory should be (O_NOFOLLOW) reports ELOOP or ENOTDIR.
      if (errno == ELOOP || errno == ENOTDIR) {
        return Status::Error(Status::Code::kInvalidArgument,
                             "cannot open directory " + path + ": not a directory");
      }
      return ErrnoStatus(errno, "open directory", path);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return ErrnoStatus(errno, "open directory", path);
    return std::unique_ptr<Directory>(new PosixDirectory(std::move(fd), st, path, made));
  }

  // The entry's name points into `entry`, valid until the next readdir.
  DirectoryEntry EntryOf(const dirent& entry) const {
    DirectoryEntry result{entry.d_name, EntryKind::kOther};
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {  // some file systems leave the type to a look-up
      struct stat st {};
      if (::fstatat(fd_->get(), entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return result;
      type = S_ISLNK(st.st_mode)   ? DT_LNK
             : S_ISREG(st.st_mode) ? DT_REG
             : S_ISDIR(st.st_mode) ? DT_DIR
                                   : DT_UNKNOWN;
    }
    switch (type) {
      case DT_REG:
        result.kind = EntryKind::kFile;
        result.file_inode = entry.d_ino;
        break;
      case DT_DIR:
        result.kind = EntryKind::kDirectory;
        break;
      case DT_LNK: {
        result.link = true;
        struct stat st {};
        if (::fstatat(fd_->get(), entry.d_name, &st, 0) != 0) break;
        if (S_ISREG(st.st_mode)) result.kind = EntryKind::kFile;
        if (S_ISDIR(st.st_mode)) result.kind = EntryKind::kDirectory;
        break;
      }
      default:
        break;
    }
    return result;
  }

  std::shared_ptr<const UniqueFd> fd_;  // outlives this object while files made in it are open
  FileId id_;
  std::string path_;
  bool made_;  // made by this process when opened, so empty then
};

class PosixFileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<InputFile>> OpenForReading(const std::string& path) override {
    return OpenInput(AT_FDCWD, path, path, Hold::kExclusive);
  }

  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path, bool create) override {
    const std::string where = path.empty() ? "." : path;
    bool made = false;
    if (create) {
      std::error_code error;
      made = std::filesystem::create_directories(where, error);
      if (error && error != std::errc::file_exists) {
        return ErrnoStatus(error.value(), "create directory", where);
      }
    }
    UniqueFd fd(::open(where.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return ErrnoStatus(errno, "open directory", where);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return ErrnoStatus(errno, "open directory", where);
    return std::unique_ptr<Directory>(new PosixDirectory(std::move(fd), st, where, made));
  }

  Result<std::unique_ptr<OutputFile>> CreateReplacing(const std::string& path) override {
    // A link keeps its place: the file it leads to is the one replaced, beside itself.
    Result<std::string> target = FollowLinks(path);
    if (!target.ok()) return target.status();
    const std::filesystem::path p(*target);
    const std::string directory_path = p.has_parent_path() ? p.parent_path().string() : ".";
    const std::string name = p.filename().string();
    if (name.empty() || name == "." || name == "..") {
      return Status::Error(Status::Code::kInvalidArgument,
                           "cannot create " + path + ": not a file name");
    }
    UniqueFd directory(::open(directory_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory) return ErrnoStatus(errno, "create", path);
    return CreateOutput(std::make_shared<const UniqueFd>(std::move(directory)), name, path,
                        OutputUse::kPackage);
  }

  Result<FileId> Identify(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ErrnoStatus(errno, "find", path);
    return IdOf(st);
  }
};

}  // namespace

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string DirectoryPart(std::string_view path) {
  return std::filesystem::path(path).parent_path().string();
}

FileSystem& SystemFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace hxf
