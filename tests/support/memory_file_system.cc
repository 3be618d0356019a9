#include "tests/support/memory_file_system.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace hxf::testing {

struct MemoryFileSystem::Node {
  enum Kind { kFile, kDirectory, kLink, kSpecial };
  Kind kind = kFile;
  std::uint64_t inode = 0;
  Bytes data;
  bool read_only = false;
  std::map<std::string, std::shared_ptr<Node>> children;  // a directory's entries
  std::string target;                                     // a link's
  int readers = 0;                                        // shared holds
  bool held = false;                                      // the hold without sharing
};

namespace {

using Node = MemoryFileSystem::Node;
constexpr int kMaxLinkHops = 40;

std::deque<std::string> Components(std::string_view path) {
  std::deque<std::string> components;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find_first_of("/\\", start), path.size());
    const std::string_view component = path.substr(start, end - start);
    if (!component.empty() && component != ".") components.emplace_back(component);
    start = end + 1;
  }
  return components;
}

std::string Joined(const std::vector<std::string>& components) {
  std::string path;
  for (const std::string& component : components) path += "/" + component;
  return path.empty() ? "/" : path;
}

Status Error(Status::Code code, const std::string& action, const std::string& path,
             const std::string& reason) {
  return Status::Error(code, "cannot " + action + " " + path + ": " + reason);
}

Status NotFound(const std::string& action, const std::string& path) {
  return Error(Status::Code::kNotFound, action, path, "No such file or directory");
}

Status Busy(const std::string& action, const std::string& path) {
  return Error(Status::Code::kBusy, action, path, "the file is in use");
}

FileId IdOf(const Node& node) {
  return FileId{0x4D454D, node.inode};
}

enum class Hold {
  kExclusive,
  kShared,
  kThrough,  // read through the hold of the file that will replace it: nothing taken or given
};

// Takes a hold on `node`; false when the hold it would need is taken.
bool Take(Node& node, Hold hold) {
  if (node.held || (hold == Hold::kExclusive && node.readers > 0)) return false;
  if (hold == Hold::kShared) {
    ++node.readers;
  } else {
    node.held = true;
  }
  return true;
}

void Give(Node& node, Hold hold) {
  if (hold == Hold::kThrough) return;
  if (hold == Hold::kShared) {
    --node.readers;
  } else {
    node.held = false;
  }
}

class MemoryInputFile final : public InputFile {
 public:
  MemoryInputFile(MemoryFileSystem& fs, std::shared_ptr<Node> node, Hold hold, std::string path)
      : fs_(fs),
        node_(std::move(node)),
        hold_(hold),
        size_(node_->data.size()),
        path_(std::move(path)) {}
  ~MemoryInputFile() override {
    std::lock_guard lock(fs_.mutex());
    Give(*node_, hold_);
  }

  Result<std::size_t> Read(std::span<std::byte> buffer) override {
    std::lock_guard lock(fs_.mutex());
    const Bytes& data = node_->data;
    const std::size_t count =
        position_ >= data.size() ? 0 : std::min(buffer.size(), data.size() - position_);
    if (count > 0) std::memcpy(buffer.data(), data.data() + position_, count);
    position_ += count;
    return count;
  }
  Status Seek(std::uint64_t offset) override {
    position_ = static_cast<std::size_t>(offset);
    return Status::Ok();
  }
  std::uint64_t size() const override { return size_; }
  FileId id() const override { return IdOf(*node_); }
  const std::string& path() const override { return path_; }

 private:
  MemoryFileSystem& fs_;
  std::shared_ptr<Node> node_;
  Hold hold_;
  std::uint64_t size_;
  std::size_t position_ = 0;
  std::string path_;
};

// A file that takes its name only on commit; until then nobody sees it.
class MemoryOutputFile final : public OutputFile {
 public:
  MemoryOutputFile(MemoryFileSystem& fs, std::shared_ptr<Node> directory, std::string name,
                   std::shared_ptr<Node> replaced, std::string path)
      : fs_(fs),
        directory_(std::move(directory)),
        name_(std::move(name)),
        replaced_(std::move(replaced)),
        file_(fs.NewNode(Node::kFile)),
        path_(std::move(path)) {}
  ~MemoryOutputFile() override {
    std::lock_guard lock(fs_.mutex());
    if (replaced_ && !released_) Give(*replaced_, Hold::kExclusive);
  }

  Status Write(std::span<const std::byte> bytes) override {
    std::lock_guard lock(fs_.mutex());
    file_->data.insert(file_->data.end(), bytes.begin(), bytes.end());
    return Status::Ok();
  }
  Status WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) override {
    std::lock_guard lock(fs_.mutex());
    Bytes& data = file_->data;
    if (data.size() < offset + bytes.size()) data.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
    return Status::Ok();
  }
  Status Commit(const StopRequest& stop) override {
    std::lock_guard lock(fs_.mutex());
    if (released_) return Status::Ok();
    if (StopAsked(stop)) return CommitStopped(path_);  // nothing to flush: asked once
    std::shared_ptr<Node>& slot = directory_->children[name_];
    if (slot && slot->kind == Node::kDirectory) {
      return Error(Status::Code::kInvalidArgument, "replace", path_, "a directory is in its place");
    }
    if (replaced_) {
      file_->read_only = replaced_->read_only;
      Give(*replaced_, Hold::kExclusive);
    }
    released_ = true;
    slot = file_;
    return Status::Ok();
  }
  FileId id() const override { return IdOf(*file_); }
  Result<std::unique_ptr<InputFile>> OpenReplaced() override {
    std::lock_guard lock(fs_.mutex());
    if (!replaced_ || released_) return Error(Status::Code::kNotFound, "open", path_, "no file");
    return std::unique_ptr<InputFile>(new MemoryInputFile(fs_, replaced_, Hold::kThrough, path_));
  }
  const std::string& path() const override { return path_; }

 private:
  MemoryFileSystem& fs_;
  std::shared_ptr<Node> directory_;
  std::string name_;
  std::shared_ptr<Node> replaced_;  // held without sharing until committed or abandoned
  std::shared_ptr<Node> file_;
  std::string path_;
  bool released_ = false;
};

enum class Use { kUnpackedFile, kPackage };

// Checks what stands at `name` in `directory`, holding a file that will be replaced.
Result<std::unique_ptr<OutputFile>> CreateIn(MemoryFileSystem& fs,
                                             const std::shared_ptr<Node>& directory,
                                             const std::string& name, const std::string& path,
                                             Use use) {
  std::shared_ptr<Node> replaced;
  if (auto it = directory->children.find(name); it != directory->children.end()) {
    Node& there = *it->second;
    if (there.kind == Node::kDirectory) {
      return Error(Status::Code::kInvalidArgument, "create", path, "a directory is in its place");
    }
    if (there.kind != Node::kFile && use == Use::kPackage) {
      return Error(Status::Code::kInvalidArgument, "create", path, "not a regular file");
    }
    if (there.kind == Node::kFile) {
      if (there.read_only) {
        return Error(Status::Code::kPermission, "create", path, "a read-only file is in its place");
      }
      if (!Take(there, Hold::kExclusive)) return Busy("replace", path);
      replaced = it->second;
    }
  }
  return std::unique_ptr<OutputFile>(new MemoryOutputFile(fs, directory, name, replaced, path));
}

Result<std::unique_ptr<InputFile>> OpenIn(MemoryFileSystem& fs, std::shared_ptr<Node> node,
                                          const std::string& path, Hold hold) {
  if (!node) return NotFound("open", path);
  if (node->kind == Node::kDirectory) {
    return Error(Status::Code::kIoError, "open", path, "Is a directory");
  }
  if (node->kind != Node::kFile) {
    return Error(Status::Code::kInvalidArgument, "open", path, "not a regular file");
  }
  if (!Take(*node, hold)) return Busy("open", path);
  return std::unique_ptr<InputFile>(new MemoryInputFile(fs, std::move(node), hold, path));
}

class MemoryDirectory final : public Directory {
 public:
  MemoryDirectory(MemoryFileSystem& fs, std::shared_ptr<Node> node, std::string path)
      : fs_(fs), node_(std::move(node)), path_(std::move(path)) {}

  const std::string& path() const override { return path_; }
  FileId id() const override { return IdOf(*node_); }

  Result<Listing> List() override {
    std::lock_guard lock(fs_.mutex());
    Listing entries;
    for (const auto& [name, child] : node_->children) {
      DirectoryEntry entry{name, EntryKind::kOther};
      entry.link = child->kind == Node::kLink;
      const std::shared_ptr<Node> followed = entry.link ? fs_.Find(Child(name), true) : child;
      if (followed && followed->kind == Node::kFile) entry.kind = EntryKind::kFile;
      if (followed && followed->kind == Node::kDirectory) entry.kind = EntryKind::kDirectory;
      if (!entry.link && child->kind == Node::kFile) entry.file_inode = child->inode;
      if (Status added = entries.Add(entry); !added.ok()) {
        return Error(added.code(), "list", path_, added.message());
      }
    }
    return entries;
  }

  Result<std::unique_ptr<Directory>> OpenSubdirectory(std::string_view name) override {
    std::lock_guard lock(fs_.mutex());
    const std::string path = Child(name);
    std::shared_ptr<Node> node = fs_.Find(path, true);
    if (!node) return NotFound("open directory", JoinPath(path_, name));
    return Opened(std::move(node), name);
  }

  Result<std::unique_ptr<Directory>> MakeSubdirectory(std::string_view name) override {
    std::lock_guard lock(fs_.mutex());
    std::shared_ptr<Node>& slot = node_->children[std::string(name)];
    if (!slot) slot = fs_.NewNode(Node::kDirectory);
    return Opened(slot, name);  // a link in its place is never followed
  }

  Result<std::unique_ptr<InputFile>> OpenFile(std::string_view name) override {
    std::lock_guard lock(fs_.mutex());
    return OpenIn(fs_, fs_.Find(Child(name), true), JoinPath(path_, name), Hold::kShared);
  }

  Result<std::unique_ptr<InputFile>> OpenPlainFile(std::string_view name) override {
    std::lock_guard lock(fs_.mutex());
    const std::string path = JoinPath(path_, name);
    const auto there = node_->children.find(std::string(name));
    if (there == node_->children.end()) return NotFound("open", path);
    if (there->second->kind == Node::kLink) {
      return Error(Status::Code::kInvalidArgument, "open", path, "a link is in its place");
    }
    return OpenIn(fs_, there->second, path, Hold::kShared);
  }

  Result<FileId> Identify(std::string_view name) override {
    std::lock_guard lock(fs_.mutex());
    const std::shared_ptr<Node> node = fs_.Find(Child(name), true);
    if (!node) return NotFound("find", JoinPath(path_, name));
    return IdOf(*node);
  }

  Result<std::uint64_t> FileSize(std::string_view name) override {
    std::lock_guard lock(fs_.mutex());
    const std::shared_ptr<Node> node = fs_.Find(Child(name), true);
    if (!node) return NotFound("find", JoinPath(path_, name));
    return static_cast<std::uint64_t>(node->data.size());
  }

  Result<bool> LinkLeadsInside(std::string_view name, const Directory& ancestor) override {
    std::lock_guard lock(fs_.mutex());
    const std::optional<std::string> target = fs_.Canonical(Child(name));
    const std::optional<std::string> inside = fs_.Canonical(ancestor.path());
    if (!target || !inside) return NotFound("find", JoinPath(path_, name));
    return *inside == "/" || *target == *inside || target->starts_with(*inside + "/");
  }

  Result<std::unique_ptr<OutputFile>> CreateFile(std::string_view name) override {
    std::lock_guard lock(fs_.mutex());
    return CreateIn(fs_, node_, std::string(name), JoinPath(path_, name), Use::kUnpackedFile);
  }

 private:
  // The path of `name` in this directory, for the file system's look-ups.
  std::string Child(std::string_view name) const { return path_ + "/" + std::string(name); }

  Result<std::unique_ptr<Directory>> Opened(std::shared_ptr<Node> node, std::string_view name) {
    const std::string path = JoinPath(path_, name);
    if (node->kind != Node::kDirectory) {
      return Error(Status::Code::kInvalidArgument, "open directory", path, "not a directory");
    }
    return std::unique_ptr<Directory>(new MemoryDirectory(fs_, std::move(node), path));
  }

  MemoryFileSystem& fs_;
  std::shared_ptr<Node> node_;
  std::string path_;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem() : root_(NewNode(Node::kDirectory)) {}
MemoryFileSystem::~MemoryFileSystem() = default;

std::shared_ptr<Node> MemoryFileSystem::NewNode(int kind) {
  auto node = std::make_shared<Node>();
  node->kind = static_cast<Node::Kind>(kind);
  node->inode = next_inode_++;
  return node;
}

// The canonical components `path` leads to. Every link on the way is followed, and the last
// component's too with `follow_last`; a missing last component is allowed with `allow_missing`.
static std::optional<std::vector<std::string>> Walk(const std::shared_ptr<Node>& root,
                                                    std::string_view path, bool follow_last,
                                                    bool allow_missing) {
  std::deque<std::string> left = Components(path);
  std::vector<std::string> at;
  std::vector<std::shared_ptr<Node>> nodes = {root};
  int hops = 0;
  while (!left.empty()) {
    const std::string component = std::move(left.front());
    left.pop_front();
    if (component == "..") {
      if (!at.empty()) {
        at.pop_back();
        nodes.pop_back();
      }
      continue;
    }
    const Node& directory = *nodes.back();
    const auto it = directory.children.find(component);
    if (directory.kind != Node::kDirectory || it == directory.children.end()) {
      if (allow_missing && left.empty() && directory.kind == Node::kDirectory) {
        at.push_back(component);
        return at;
      }
      return std::nullopt;
    }
    if (it->second->kind == Node::kLink && (follow_last || !left.empty())) {
      if (++hops > kMaxLinkHops) return std::nullopt;
      const std::string& target = it->second->target;
      std::deque<std::string> target_components = Components(target);
      if (target.starts_with('/')) {
        at.clear();
        nodes.resize(1);
      }
      left.insert(left.begin(), target_components.begin(), target_components.end());
      continue;
    }
    at.push_back(component);
    nodes.push_back(it->second);
  }
  return at;
}

std::shared_ptr<Node> MemoryFileSystem::Find(const std::string& path, bool follow_last) const {
  const std::optional<std::vector<std::string>> at = Walk(root_, path, follow_last, false);
  if (!at) return nullptr;
  std::shared_ptr<Node> node = root_;
  for (const std::string& component : *at) node = node->children.at(component);
  return node;
}

std::optional<std::string> MemoryFileSystem::Canonical(const std::string& path) const {
  const std::optional<std::vector<std::string>> at = Walk(root_, path, true, false);
  if (!at) return std::nullopt;
  return Joined(*at);
}

std::shared_ptr<Node> MemoryFileSystem::Place(const std::string& path, int kind) {
  std::lock_guard lock(mutex_);
  std::deque<std::string> components = Components(path);
  const std::string name = components.back();
  components.pop_back();
  std::shared_ptr<Node> directory = root_;
  for (const std::string& component : components) {
    std::shared_ptr<Node>& slot = directory->children[component];
    if (!slot || slot->kind != Node::kDirectory) slot = NewNode(Node::kDirectory);
    directory = slot;
  }
  std::shared_ptr<Node>& slot = directory->children[name];
  slot = NewNode(kind);
  return slot;
}

void MemoryFileSystem::AddFile(const std::string& path, const Bytes& content, bool read_only) {
  std::shared_ptr<Node> node = Place(path, Node::kFile);
  node->data = content;
  node->read_only = read_only;
}

void MemoryFileSystem::AddDirectory(const std::string& path) {
  if (!IsDirectory(path)) Place(path, Node::kDirectory);
}

void MemoryFileSystem::AddLink(const std::string& path, const std::string& target) {
  Place(path, Node::kLink)->target = target;
}

void MemoryFileSystem::AddSpecial(const std::string& path) {
  Place(path, Node::kSpecial);
}

std::optional<Bytes> MemoryFileSystem::FileContent(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const std::shared_ptr<Node> node = Find(path, false);
  if (!node || node->kind != Node::kFile) return std::nullopt;
  return node->data;
}

bool MemoryFileSystem::IsDirectory(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const std::shared_ptr<Node> node = Find(path, false);
  return node && node->kind == Node::kDirectory;
}

bool MemoryFileSystem::IsLink(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const std::shared_ptr<Node> node = Find(path, false);
  return node && node->kind == Node::kLink;
}

bool MemoryFileSystem::Exists(const std::string& path) const {
  std::lock_guard lock(mutex_);
  return Find(path, false) != nullptr;
}

std::vector<std::string> MemoryFileSystem::Names(const std::string& path) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  const std::shared_ptr<Node> node = Find(path, true);
  if (!node) return names;
  for (const auto& [name, child] : node->children) names.push_back(name);
  return names;
}

Result<std::unique_ptr<InputFile>> MemoryFileSystem::OpenForReading(const std::string& path) {
  std::lock_guard lock(mutex_);
  return OpenIn(*this, Find(path, true), path, Hold::kExclusive);
}

Result<std::unique_ptr<Directory>> MemoryFileSystem::OpenDirectory(const std::string& path,
                                                                   bool create) {
  if (create && !Exists(path)) Place(path, Node::kDirectory);
  std::lock_guard lock(mutex_);
  const std::string where = path.empty() ? "." : path;
  std::shared_ptr<Node> node = Find(path, true);
  if (!node) return NotFound("open directory", where);
  if (node->kind != Node::kDirectory) {
    return Error(Status::Code::kInvalidArgument, "open directory", where, "not a directory");
  }
  return std::unique_ptr<Directory>(new MemoryDirectory(*this, std::move(node), where));
}

Result<std::unique_ptr<OutputFile>> MemoryFileSystem::CreateReplacing(const std::string& path) {
  std::lock_guard lock(mutex_);
  // A link keeps its place: the file it leads to is the one replaced.
  const std::optional<std::vector<std::string>> at = Walk(root_, path, true, true);
  if (!at || at->empty()) return NotFound("create", path);
  std::vector<std::string> parent = *at;
  const std::string name = parent.back();
  parent.pop_back();
  std::shared_ptr<Node> directory = Find(Joined(parent), true);
  if (!directory) return NotFound("create", path);
  return CreateIn(*this, directory, name, path, Use::kPackage);
}

Result<FileId> MemoryFileSystem::Identify(const std::string& path) {
  std::lock_guard lock(mutex_);
  const std::shared_ptr<Node> node = Find(path, true);
  if (!node) return NotFound("find", path);
  return IdOf(*node);
}

}  // namespace hxf::testing
