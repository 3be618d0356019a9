// The file-system layer on Windows. Paths are turned into UTF-16 at each call and given in the
// \\?\ form, so that no length limit applies and no name is reinterpreted. "Without sharing" is a
// share mode of 0, a shared hold FILE_SHARE_READ: the system then refuses another job's open at
// once (a sharing violation) instead of making it wait.
//
// A new file is written under a temporary name beside its final one and marked for deletion until
// it is committed, so that even a killed job leaves nothing behind: the system removes the file
// when its last handle goes. Commit clears the mark and renames the file by its handle.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "core/file_system.h"
#include "core/unique_handle_win32.h"
#include "core/wide_string_win32.h"
#include "core/windows_status.h"

namespace hxf {
namespace {

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";

Status LastError(const std::string& action, const std::string& path) {
  return WindowsStatus(GetLastError(), action, path);
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// `path` as the wide calls take it: absolute, with backslashes, in the \\?\ form.
Result<std::wstring> SystemPath(const std::string& path, const std::string& action) {
  std::wstring wide;
  if (!WideFromUtf8(path.empty() ? "." : path, wide)) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot " + action + " " + path + ": the name is not valid UTF-8");
  }
  if (StartsWith(wide, kLongPrefix)) return wide;
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return LastError(action, path);
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return LastError(action, path);
  full.resize(length);
  if (StartsWith(full, L"\\\\.\\")) return full;  // a device: no other form
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return kLongPrefix + full;
}

// A name given to a Directory: one component, which the \\?\ form takes literally.
Result<std::wstring> Component(std::string_view name, const std::string& action,
                               const std::string& path) {
  std::wstring wide;
  if (!WideFromUtf8(name, wide)) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot " + action + " " + path + ": the name is not valid UTF-8");
  }
  if (wide.empty() || wide == L"." || wide == L".." ||
      wide.find_first_of(L"\\/") != std::wstring::npos) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot " + action + " " + path + ": not a single name");
  }
  return wide;
}

std::wstring Child(const std::wstring& directory, std::wstring_view name) {
  std::wstring path = directory;
  if (!path.empty() && !IsSeparator(path.back())) path += L'\\';
  path += name;
  return path;
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return FileId{info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

Result<BY_HANDLE_FILE_INFORMATION> InfoOf(HANDLE handle, const std::string& action,
                                          const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return LastError(action, path);
  return info;
}

bool IsDirectory(const BY_HANDLE_FILE_INFORMATION& info) {
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Symbolic links and junctions; other reparse points (cloud placeholders, deduplicated files)
// are the files or directories they look like. Wine shows a host's symbolic link as a reparse
// point without a tag.
bool IsLink(const WIN32_FIND_DATAW& found) {
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  const DWORD tag = found.dwReserved0;
  return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT || tag == 0;
}

// What the directory entry at `wide` is, without following a link; false when nothing is there
// (or it cannot be seen, with the reason in GetLastError).
bool FindEntry(const std::wstring& wide, WIN32_FIND_DATAW& found) {
  UniqueFindHandle search(
      FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  return static_cast<bool>(search);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens whatever `path` leads to, following links, only to look at it.
UniqueHandle OpenToInspect(const std::wstring& path, DWORD flags = 0) {
  return UniqueHandle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

Result<FileId> IdentifyPath(const std::wstring& wide, const std::string& path) {
  UniqueHandle handle = OpenToInspect(wide);
  if (!handle) return LastError("find", path);
  Result<BY_HANDLE_FILE_INFORMATION> info = InfoOf(handle.get(), "find", path);
  if (!info.ok()) return info.status();
  return IdOf(*info);
}

// The path `handle` has once every link is resolved, in the \\?\ form.
Result<std::wstring> FinalPath(HANDLE handle, const std::string& action, const std::string& path) {
  std::wstring final(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
    if (length == 0) return LastError(action, path);
    if (length < final.size()) {
      final.resize(length);
      return final;
    }
    final.resize(length + 1);
  }
  return LastError(action, path);
}

enum class Hold {
  kExclusive,  // without sharing: while written, replaced, or read as a package
  kShared,     // shared with other readers: a source file read for packing
};

class Win32InputFile final : public InputFile {
 public:
  Win32InputFile(UniqueHandle handle, const BY_HANDLE_FILE_INFORMATION& info, std::string path)
      : handle_(std::move(handle)),
        size_((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
        id_(IdOf(info)),
        path_(std::move(path)) {}

  Result<std::size_t> Read(std::span<std::byte> buffer) override {
    const DWORD wanted =
        static_cast<DWORD>(buffer.size() < (1u << 30) ? buffer.size() : (1u << 30));
    DWORD got = 0;
    if (!ReadFile(handle_.get(), buffer.data(), wanted, &got, nullptr)) {
      return LastError("read", path_);
    }
    return static_cast<std::size_t>(got);
  }

  Status Seek(std::uint64_t offset) override {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handle_.get(), position, nullptr, FILE_BEGIN)) {
      return LastError("seek in", path_);
    }
    return Status::Ok();
  }

  std::uint64_t size() const override { return size_; }
  FileId id() const override { return id_; }
  const std::string& path() const override { return path_; }

 private:
  UniqueHandle handle_;
  std::uint64_t size_;
  FileId id_;
  std::string path_;
};

// `flags` may add FILE_FLAG_OPEN_REPARSE_POINT: a link is then opened itself, never followed.
Result<std::unique_ptr<InputFile>> OpenInput(const std::wstring& wide, const std::string& path,
                                             Hold hold, DWORD flags = 0) {
  const DWORD share = hold == Hold::kShared ? FILE_SHARE_READ : 0;
  UniqueHandle handle(CreateFileW(wide.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN | flags, nullptr));
  if (!handle) {
    const DWORD error = GetLastError();
    // A directory cannot be opened as a file; the system says only "access denied".
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return Status::Error(Status::Code::kIoError, "cannot open " + path + ": is a directory");
    }
    return WindowsStatus(error, "open", path);
  }
  if (GetFileType(handle.get()) != FILE_TYPE_DISK) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot open " + path + ": not a regular file");
  }
  Result<BY_HANDLE_FILE_INFORMATION> info = InfoOf(handle.get(), "open", path);
  if (!info.ok()) return info.status();
  return std::unique_ptr<InputFile>(new Win32InputFile(std::move(handle), *info, path));
}

std::wstring TemporaryName() {
  static std::atomic<unsigned> counter{0};
  static const std::wstring prefix(kTemporaryNamePrefix.begin(), kTemporaryNamePrefix.end());
  return prefix + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
}

// Marks the file for deletion when its last handle closes, or clears the mark.
bool MarkForDeletion(HANDLE handle, bool marked) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = marked ? TRUE : FALSE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

// Renames the file open as `handle` to `target` (a \\?\ path), replacing a file there.
bool RenameOver(HANDLE handle, const std::wstring& target) {
  // The call takes the system's own form of a path: \??\ where the program's form has \\?\.
  std::wstring name = target;
  if (StartsWith(name, kLongPrefix)) name[1] = L'?';
  const std::size_t bytes = name.size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + bytes);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(rename->FileName, name.data(), bytes);
  return SetFileInformationByHandle(handle, FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size())) != 0;
}

// A virus scanner or an indexer that has just opened the file it replaces makes a rename fail
// for a moment; it is tried again over about a second before that counts.
bool RenameRetrying(HANDLE handle, const std::wstring& target) {
  constexpr int kAttempts = 10;
  for (int attempt = 1;; ++attempt) {
    if (RenameOver(handle, target)) return true;
    const DWORD error = GetLastError();
    if (attempt == kAttempts ||
        (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) {
      SetLastError(error);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// The file a new package replaces, read through the hold the new one has on it, each read at
// its own position. Once the commit has let the hold go, reads fail: the file is gone.
class Win32ReplacedFile final : public InputFile {
 public:
  Win32ReplacedFile(std::shared_ptr<const UniqueHandle> held,
                    const BY_HANDLE_FILE_INFORMATION& info, std::string path)
      : held_(std::move(held)),
        size_((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
        id_(IdOf(info)),
        path_(std::move(path)) {}

  Result<std::size_t> Read(std::span<std::byte> buffer) override {
    if (!*held_) {
      return Status::Error(Status::Code::kIoError,
                           "cannot read " + path_ + ": the file has been replaced");
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position_);
    at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
    const DWORD wanted =
        static_cast<DWORD>(buffer.size() < (1u << 30) ? buffer.size() : (1u << 30));
    DWORD got = 0;
    if (!ReadFile(held_->get(), buffer.data(), wanted, &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return std::size_t{0};
      return LastError("read", path_);
    }
    position_ += got;
    return static_cast<std::size_t>(got);
  }

  Status Seek(std::uint64_t offset) override {
    position_ = offset;
    return Status::Ok();
  }

  std::uint64_t size() const override { return size_; }
  FileId id() const override { return id_; }
  const std::string& path() const override { return path_; }

 private:
  std::shared_ptr<const UniqueHandle> held_;
  std::uint64_t size_;
  FileId id_;
  std::string path_;
  std::uint64_t position_ = 0;
};

// What stands at the name a new file will take.
struct Target {
  // The file there, when it is a regular file, held until the commit; shared with the readers
  // OpenReplaced gives, which read through it.
  std::shared_ptr<UniqueHandle> held;
  std::wstring link;  // a link there, to be removed (never written through) on commit
  bool link_to_directory = false;
};

class Win32OutputFile final : public OutputFile {
 public:
  Win32OutputFile(UniqueHandle handle, std::wstring temporary, Target target,
                  std::wstring final_path, std::string path, FileId id, bool marked, bool durable)
      : handle_(std::move(handle)),
        temporary_(std::move(temporary)),
        target_(std::move(target)),
        final_path_(std::move(final_path)),
        path_(std::move(path)),
        id_(id),
        marked_(marked),
        durable_(durable) {}

  ~Win32OutputFile() override {
    handle_.Reset();  // a file marked for deletion goes with its handle
    if (!committed_ && !marked_) DeleteFileW(temporary_.c_str());
  }

  Status Write(std::span<const std::byte> bytes) override {
    if (Status written = WriteAt(size_, bytes); !written.ok()) return written;
    return Status::Ok();
  }

  Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) override {
    while (!bytes.empty()) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      const DWORD chunk = static_cast<DWORD>(bytes.size() < (1u << 30) ? bytes.size() : (1u << 30));
      DWORD written = 0;
      if (!WriteFile(handle_.get(), bytes.data(), chunk, &written, &at)) {
        return LastError("write", path_);
      }
      if (written == 0) return WindowsStatus(ERROR_DISK_FULL, "write", path_);
      bytes = bytes.subspan(written);
      offset += written;
      if (offset > size_) size_ = offset;
    }
    return Status::Ok();
  }

  Status Commit(const StopRequest& stop) override {
    if (committed_) return Status::Ok();
    // The system flushes a file in one call, which cannot be interrupted: the stop is asked on
    // either side of it.
    if (durable_ && StopAsked(stop)) return CommitStopped(path_);
    if (durable_ && !FlushFileBuffers(handle_.get())) return LastError("flush", path_);
    if (StopAsked(stop)) return CommitStopped(path_);
    if (marked_ && !MarkForDeletion(handle_.get(), false)) return LastError("create", path_);
    if (target_.held) target_.held->Reset();  // the rename replaces only a file nobody has open
    if (!target_.link.empty()) {
      // Removing a link removes only the link, never what it leads to.
      const BOOL removed = target_.link_to_directory ? RemoveDirectoryW(target_.link.c_str())
                                                     : DeleteFileW(target_.link.c_str());
      if (!removed && GetLastError() != ERROR_FILE_NOT_FOUND) return Undo("replace");
      target_.link.clear();
    }
    if (!RenameRetrying(handle_.get(), final_path_)) return Undo("replace");
    committed_ = true;
    // Nothing is written after the commit: let the finished file be read at once.
    handle_.Reset();
    return Status::Ok();
  }

  FileId id() const override { return id_; }
  const std::string& path() const override { return path_; }

  Result<std::unique_ptr<InputFile>> OpenReplaced() override {
    if (!target_.held || !*target_.held) return WindowsStatus(ERROR_FILE_NOT_FOUND, "open", path_);
    Result<BY_HANDLE_FILE_INFORMATION> info = InfoOf(target_.held->get(), "open", path_);
    if (!info.ok()) return info.status();
    return std::unique_ptr<InputFile>(new Win32ReplacedFile(target_.held, *info, path_));
  }

 private:
  // Marks the file for deletion again after a failed commit, keeping the commit's error.
  Status Undo(const std::string& action) {
    const DWORD error = GetLastError();
    if (marked_) marked_ = MarkForDeletion(handle_.get(), true);
    return WindowsStatus(error, action, path_);
  }

  UniqueHandle handle_;
  std::wstring temporary_;
  Target target_;
  std::wstring final_path_;
  std::string path_;
  FileId id_;
  bool marked_;  // for deletion, until committed
  bool durable_;
  bool committed_ = false;
  std::uint64_t size_ = 0;  // the end, where Write appends
};

// What a new file is for: the two differ in what they may replace.
enum class OutputUse {
  // A file unpacked into a tree: it replaces a link at its name (never writing through it) and
  // is not flushed.
  kUnpackedFile,
  // A package: it replaces only a regular file, and is made durable before it takes the name.
  kPackage,
};

// Checks what stands at `wide` (without following a link) and holds it if it is a file we will
// replace.
Result<Target> ClaimTarget(const std::wstring& wide, const std::string& path, OutputUse use) {
  Target target;
  WIN32_FIND_DATAW found{};
  if (!FindEntry(wide, found)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return target;
    return WindowsStatus(error, "create", path);
  }
  const DWORD attributes = found.dwFileAttributes;
  if (IsLink(found)) {
    if (use == OutputUse::kPackage) {
      return Status::Error(Status::Code::kInvalidArgument,
                           "cannot create " + path + ": not a regular file");
    }
    target.link = wide;  // replaced, never written through
    target.link_to_directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return target;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot create " + path + ": a directory is in its place");
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Status::Error(Status::Code::kPermission,
                         "cannot create " + path + ": a read-only file is in its place");
  }
  // Held until the commit as a writer that lets others read: none of our jobs may read it
  // meanwhile (they share reading only, so a writer excludes them), nor replace it, while a
  // program that reads files letting others write, as most do, still may. A package is also
  // read through the hold, when it is edited in place (OpenReplaced).
  const DWORD access =
      FILE_WRITE_DATA |
      (use == OutputUse::kPackage ? FILE_READ_DATA | FILE_READ_ATTRIBUTES : DWORD{0});
  target.held = std::make_shared<UniqueHandle>(
      CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!*target.held) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) return WindowsStatus(error, "replace", path);
    return WindowsStatus(error, "create", path);
  }
  return target;
}

// Starts a file that will take the name `name` in `directory` on commit.
Result<std::unique_ptr<OutputFile>> CreateOutput(const std::wstring& directory,
                                                 const std::wstring& name, const std::string& path,
                                                 OutputUse use) {
  const std::wstring final_path = Child(directory, name);
  Result<Target> target = ClaimTarget(final_path, path, use);
  if (!target.ok()) return target.status();
  const std::wstring temporary = Child(directory, TemporaryName());
  UniqueHandle handle(CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return LastError("create", path);
  const bool marked = MarkForDeletion(handle.get(), true);
  Result<BY_HANDLE_FILE_INFORMATION> info = InfoOf(handle.get(), "create", path);
  if (!info.ok()) {
    handle.Reset();
    if (!marked) DeleteFileW(temporary.c_str());
    return info.status();
  }
  return std::unique_ptr<OutputFile>(
      new Win32OutputFile(std::move(handle), temporary, std::move(*target), final_path, path,
                          IdOf(*info), marked, use == OutputUse::kPackage));
}

// Whether `path` is `ancestor` or lies below it; paths compare without regard to case, as the
// file system names them.
bool IsSameOrBelow(const std::wstring& path, const std::wstring& ancestor) {
  if (path.size() < ancestor.size()) return false;
  if (CompareStringOrdinal(path.data(), static_cast<int>(ancestor.size()), ancestor.data(),
                           static_cast<int>(ancestor.size()), TRUE) != CSTR_EQUAL) {
    return false;
  }
  return path.size() == ancestor.size() || IsSeparator(ancestor.back()) ||
         IsSeparator(path[ancestor.size()]);
}

Result<std::wstring> FinalPathOf(const std::wstring& wide, const std::string& path) {
  UniqueHandle handle = OpenToInspect(wide);
  if (!handle) return LastError("find", path);
  return FinalPath(handle.get(), "find", path);
}

// Opens a directory. It is held shared for reading and writing but not for deletion, so that it
// cannot be renamed, removed or replaced by a link while we work in it.
Result<std::unique_ptr<Directory>> OpenDirectoryAt(const std::wstring& wide, std::string path,
                                                   bool follow_links);

class Win32Directory final : public Directory {
 public:
  Win32Directory(UniqueHandle handle, const BY_HANDLE_FILE_INFORMATION& info, std::wstring wide,
                 std::string path)
      : handle_(std::move(handle)),
        id_(IdOf(info)),
        wide_(std::move(wide)),
        path_(std::move(path)) {}

  const std::string& path() const override { return path_; }
  FileId id() const override { return id_; }

  Result<Listing> List() override { return ListInto(nullptr); }

  // The system's listing holds each file's size: one pass, with no call per file.
  Result<SizedListing> ListWithSizes() override {
    std::vector<std::uint64_t> sizes;
    Result<Listing> listing = ListInto(&sizes);
    if (!listing.ok()) return listing.status();
    return SizedListing{std::move(listing.value()), std::move(sizes)};
  }

  // The listing, and where `sizes` is given the size the system lists with each entry.
  Result<Listing> ListInto(std::vector<std::uint64_t>* sizes) {
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(FindFirstFileExW(Child(wide_, L"*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
    Listing entries;
    if (!search) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
      return LastError("list", path_);
    }
    std::string name;  // the UTF-8 form of each name in turn, copied into the listing
    do {
      const std::wstring_view wide_name = found.cFileName;
      if (wide_name == L"." || wide_name == L"..") continue;
      const DirectoryEntry entry = EntryOf(found, name);
      if (Status added = entries.Add(entry); !added.ok()) {
        return Status::Error(added.code(), "cannot list " + path_ + ": " + added.message());
      }
      if (sizes) {
        const bool file = entry.kind == EntryKind::kFile && !entry.link;
        sizes->push_back(file ? (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow
                              : 0);
      }
    } while (FindNextFileW(search.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) return LastError("list", path_);
    return entries;
  }

  Result<std::unique_ptr<Directory>> OpenSubdirectory(std::string_view name) override {
    const std::string path = JoinPath(path_, name);
    Result<std::wstring> component = Component(name, "open directory", path);
    if (!component.ok()) return component.status();
    return OpenDirectoryAt(Child(wide_, *component), path, true);
  }

  Result<std::unique_ptr<Directory>> MakeSubdirectory(std::string_view name) override {
    const std::string path = JoinPath(path_, name);
    Result<std::wstring> component = Component(name, "create directory", path);
    if (!component.ok()) return component.status();
    const std::wstring wide = Child(wide_, *component);
    if (!CreateDirectoryW(wide.c_str(), nullptr)) {
      if (GetLastError() != ERROR_ALREADY_EXISTS) return LastError("create directory", path);
      // Something was there already: a link in its place is never gone through.
      WIN32_FIND_DATAW found{};
      if (FindEntry(wide, found) && IsLink(found)) {
        return Status::Error(Status::Code::kInvalidArgument,
                             "cannot open directory " + path + ": not a directory");
      }
    }
    return OpenDirectoryAt(wide, path, false);
  }

  Result<std::unique_ptr<InputFile>> OpenFile(std::string_view name) override {
    const std::string path = JoinPath(path_, name);
    Result<std::wstring> component = Component(name, "open", path);
    if (!component.ok()) return component.status();
    return OpenInput(Child(wide_, *component), path, Hold::kShared);
  }

  Result<std::unique_ptr<InputFile>> OpenPlainFile(std::string_view name) override {
    const std::string path = JoinPath(path_, name);
    Result<std::wstring> component = Component(name, "open", path);
    if (!component.ok()) return component.status();
    const std::wstring wide = Child(wide_, *component);
    WIN32_FIND_DATAW found{};
    if (!FindEntry(wide, found)) return LastError("open", path);
    if (IsLink(found)) {
      return Status::Error(Status::Code::kInvalidArgument,
                           "cannot open " + path + ": a link is in its place");
    }
    // Should a link take the file's place after the look, the open takes the link itself.
    return OpenInput(wide, path, Hold::kShared, FILE_FLAG_OPEN_REPARSE_POINT);
  }

  Result<FileId> Identify(std::string_view name) override {
    const std::string path = JoinPath(path_, name);
    Result<std::wstring> component = Component(name, "find", path);
    if (!component.ok()) return component.status();
    return IdentifyPath(Child(wide_, *component), path);
  }

  Result<std::uint64_t> FileSize(std::string_view name) override {
    const std::string path = JoinPath(path_, name);
    Result<std::wstring> component = Component(name, "find", path);
    if (!component.ok()) return component.status();
    // The attributes a listing would give: for a link, its own (no size), which only makes the
    // sum of a tree smaller than it is.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Child(wide_, *component).c_str(), GetFileExInfoStandard, &data)) {
      return LastError("find", path);
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  }

  Result<bool> LinkLeadsInside(std::string_view name, const Directory& ancestor) override {
    const std::string path = JoinPath(path_, name);
    Result<std::wstring> component = Component(name, "find", path);
    if (!component.ok()) return component.status();
    Result<std::wstring> target = FinalPathOf(Child(wide_, *component), path);
    if (!target.ok()) return target.status();
    Result<std::wstring> ancestor_wide = SystemPath(ancestor.path(), "find");
    if (!ancestor_wide.ok()) return ancestor_wide.status();
    Result<std::wstring> inside = FinalPathOf(*ancestor_wide, ancestor.path());
    if (!inside.ok()) return inside.status();
    return IsSameOrBelow(*target, *inside);
  }

  Result<std::unique_ptr<OutputFile>> CreateFile(std::string_view name) override {
    const std::string path = JoinPath(path_, name);
    Result<std::wstring> component = Component(name, "create", path);
    if (!component.ok()) return component.status();
    return CreateOutput(wide_, *component, path, OutputUse::kUnpackedFile);
  }

 private:
  // The entry's name is held in `name`.
  DirectoryEntry EntryOf(const WIN32_FIND_DATAW& found, std::string& name) const {
    // A name that is not valid UTF-16 has no UTF-8 form that would reach it again.
    const bool convertible = Utf8FromWide(found.cFileName, name);
    if (!convertible) name = Utf8FromWideLossy(found.cFileName);
    DirectoryEntry entry{name, EntryKind::kOther};
    if (!convertible) return entry;
    const DWORD attributes = found.dwFileAttributes;
    if (IsLink(found)) {
      entry.link = true;
      UniqueHandle handle = OpenToInspect(Child(wide_, found.cFileName));
      if (!handle) return entry;  // leads nowhere
      Result<BY_HANDLE_FILE_INFORMATION> info = InfoOf(handle.get(), "list", path_);
      if (!info.ok()) return entry;
      entry.kind = IsDirectory(*info) ? EntryKind::kDirectory : EntryKind::kFile;
      return entry;
    }
    // The listing gives no file index: file_inode stays 0.
    entry.kind =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kDirectory : EntryKind::kFile;
    return entry;
  }

  UniqueHandle handle_;  // holds the directory in place while we work in it
  FileId id_;
  std::wstring wide_;
  std::string path_;
};

Result<std::unique_ptr<Directory>> OpenDirectoryAt(const std::wstring& wide, std::string path,
                                                   bool follow_links) {
  const DWORD flags =
      FILE_FLAG_BACKUP_SEMANTICS | (follow_links ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  UniqueHandle handle(CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                                  nullptr));
  if (!handle) return LastError("open directory", path);
  Result<BY_HANDLE_FILE_INFORMATION> info = InfoOf(handle.get(), "open directory", path);
  if (!info.ok()) return info.status();
  // Opened without following, a link is itself the thing opened: it is no directory to write in.
  const bool link = !follow_links && (info->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!IsDirectory(*info) || link) {
    return Status::Error(Status::Code::kInvalidArgument,
                         "cannot open directory " + path + ": not a directory");
  }
  return std::unique_ptr<Directory>(
      new Win32Directory(std::move(handle), *info, wide, std::move(path)));
}

// Makes the directory `wide` and every missing one above it.
Status CreateDirectories(const std::wstring& wide, const std::string& path) {
  // The root ("\\?\C:\", "\\?\UNC\server\share\") always exists: start after it.
  std::size_t start = wide.find(L'\\', 4);
  if (StartsWith(wide, L"\\\\?\\UNC\\")) {
    start = wide.find(L'\\', 8);
    if (start != std::wstring::npos) start = wide.find(L'\\', start + 1);
  }
  while (start != std::wstring::npos && start + 1 < wide.size()) {
    const std::size_t end = wide.find(L'\\', start + 1);
    if (end != start + 1) {
      const std::wstring prefix = wide.substr(0, end);
      if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return LastError("create directory", path);
      }
    }
    start = end;
  }
  return Status::Ok();
}

class Win32FileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<InputFile>> OpenForReading(const std::string& path) override {
    Result<std::wstring> wide = SystemPath(path, "open");
    if (!wide.ok()) return wide.status();
    return OpenInput(*wide, path, Hold::kExclusive);
  }

  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path, bool create) override {
    const std::string where = path.empty() ? "." : path;
    Result<std::wstring> wide = SystemPath(where, "open directory");
    if (!wide.ok()) return wide.status();
    if (create) {
      if (Status made = CreateDirectories(*wide, where); !made.ok()) return made;
    }
    return OpenDirectoryAt(*wide, where, true);
  }

  Result<std::unique_ptr<OutputFile>> CreateReplacing(const std::string& path) override {
    Result<std::wstring> wide = SystemPath(path, "create");
    if (!wide.ok()) return wide.status();
    // A link keeps its place: the file it leads to is the one replaced, beside itself.
    std::wstring target = *wide;
    if (UniqueHandle existing = OpenToInspect(*wide)) {
      Result<BY_HANDLE_FILE_INFORMATION> info = InfoOf(existing.get(), "create", path);
      if (!info.ok()) return info.status();
      if (IsDirectory(*info) || GetFileType(existing.get()) != FILE_TYPE_DISK) {
        return Status::Error(Status::Code::kInvalidArgument,
                             "cannot create " + path + ": not a regular file");
      }
      Result<std::wstring> final = FinalPath(existing.get(), "create", path);
      if (!final.ok()) return final.status();
      target = *final;
    }
    const std::size_t separator = target.find_last_of(L'\\');
    const std::wstring name = target.substr(separator + 1);
    if (separator == std::wstring::npos || name.empty() || name == L"." || name == L"..") {
      return Status::Error(Status::Code::kInvalidArgument,
                           "cannot create " + path + ": not a file name");
    }
    return CreateOutput(target.substr(0, separator), name, path, OutputUse::kPackage);
  }

  Result<FileId> Identify(const std::string& path) override {
    Result<std::wstring> wide = SystemPath(path, "find");
    if (!wide.ok()) return wide.status();
    return IdentifyPath(*wide, path);
  }
};

bool IsPathSeparator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace

// With the separator the directory already uses (a user who writes C:/fw sees C:/fw/out_hxf),
// the backslash when it has none.
std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  const std::size_t last = path.find_last_of("\\/");
  const char separator = last == std::string::npos ? '\\' : path[last];
  // "C:" names the current directory of drive C: a name joins it directly.
  if (!path.empty() && !IsPathSeparator(path.back()) && path.back() != ':') path += separator;
  path += name;
  return path;
}

// Up to the last separator or colon; the separator itself is left out unless it is the root's
// ("C:\", "\") or one of a run that begins the path ("\\server").
std::string DirectoryPart(std::string_view path) {
  const std::size_t last = path.find_last_of("\\/:");
  if (last == std::string_view::npos) return {};
  if (path[last] == ':') return std::string(path.substr(0, last + 1));
  if (last == 0 || path[last - 1] == ':' || IsPathSeparator(path[last - 1])) {
    return std::string(path.substr(0, last + 1));
  }
  return std::string(path.substr(0, last));
}

FileSystem& SystemFileSystem() {
  static Win32FileSystem file_system;
  return file_system;
}

}  // namespace hxf
