#include "verify/name_check.h"

#include <algorithm>

#include "core/entry_path.h"
#include "core/name_hash.h"
#include "core/package_format.h"
#include "core/windows_names.h"

namespace hxf {
namespace {

// Folds only A-Z: the decoded name is UTF-8, whose multi-byte characters never hold an ASCII
// byte, so no part of another character is folded.
std::string FoldCase(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

// What is kept of a hash once its lowest bit has been given to tell files from directories.
constexpr std::uint64_t kKeptBits = ~std::uint64_t{0} >> 1;

std::string Quoted(const std::string& shown, std::uint64_t offset) {
  return "\"" + shown + "\" at offset " + std::to_string(offset) + ": ";
}

// The lengths of the directories `folded` lies in, outermost first.
std::vector<std::size_t> DirectoryEnds(const std::string& folded) {
  std::vector<std::size_t> ends;
  for (std::size_t end = folded.find(format::kNameSeparator); end != std::string::npos;
       end = folded.find(format::kNameSeparator, end + 1)) {
    ends.push_back(end);
  }
  return ends;
}

}  // namespace

void NameCheck::Find(const std::string& shown, std::uint64_t offset, const std::string& what) {
  // The second pass finds its problems after the first has found its own: each goes in place.
  const auto at = std::upper_bound(
      findings_.begin(), findings_.end(), offset,
      [](std::uint64_t value, const NameFinding& finding) { return value < finding.offset; });
  findings_.insert(at, {offset, Quoted(shown, offset) + what});
}

void NameCheck::FindWindowsProblem(const std::vector<std::string>& components,
                                   const std::string& shown, std::uint64_t offset) {
  for (const std::string& component : components) {
    const std::string problem = WindowsNameProblem(component);
    if (problem.empty()) continue;
    windows_findings_.push_back({offset, Quoted(shown, offset) + "Windows cannot hold it (\"" +
                                             DisplayName(component) + "\": " + problem +
                                             "); the unpacker refuses it there"});
    return;
  }
}

void NameCheck::Note(std::string_view folded, bool file) {
  const std::uint64_t noted = NameHash(folded) << 1 | (file ? 1 : 0);
  if (!file) {
    // Noting a directory again changes nothing: only a file's name can clash with it.
    std::uint64_t& recent = recent_directories_[(noted >> 1) % recent_directories_.size()];
    if (recent == noted) return;
    recent = noted;
  }
  noted_.push_back(noted);
}

void NameCheck::Add(const EntryRecord& entry) {
  const std::string name = DecodeName(entry.name, encoding_);
  const std::string shown = DisplayName(name);
  Result<std::vector<std::string>> split = SplitEntryName(name);
  if (!split.ok()) {
    Find(shown, entry.offset, "the unpacker refuses it: " + split.status().message());
    return;
  }
  if (!Decodes(entry.name, encoding_)) {
    warnings_.push_back({entry.offset, Quoted(shown, entry.offset) +
                                           "not valid GBK: unpacking keeps its bytes where the "
                                           "host allows them and refuses it on Windows"});
  }
  FindWindowsProblem(*split, shown, entry.offset);

  const std::string folded = FoldCase(name);
  for (const std::size_t end : DirectoryEnds(folded)) {
    Note(std::string_view(folded).substr(0, end), false);
  }
  Note(folded, true);
}

bool NameCheck::NeedsSecondPass() {
  std::sort(noted_.begin(), noted_.end());
  for (auto group = noted_.begin(); group != noted_.end();) {
    const std::uint64_t hash = *group >> 1;
    auto end = std::find_if(group, noted_.end(), [&](std::uint64_t n) { return n >> 1 != hash; });
    // Sorted, a group's file names come last; a directory noted twice is no clash by itself.
    if (end - group > 1 && (*(end - 1) & 1) != 0) suspects_.push_back(hash);
    group = end;
  }
  noted_ = {};
  return !suspects_.empty();
}

bool NameCheck::MayClash(std::string_view folded) const {
  return std::binary_search(suspects_.begin(), suspects_.end(), NameHash(folded) & kKeptBits);
}

void NameCheck::Recheck(const EntryRecord& entry) {
  const std::string name = DecodeName(entry.name, encoding_);
  if (!SplitEntryName(name).ok()) return;  // refused, and told so, on the first pass
  const std::string shown = DisplayName(name);
  const std::string folded = FoldCase(name);
  for (const std::size_t end : DirectoryEnds(folded)) {
    const std::string_view directory = std::string_view(folded).substr(0, end);
    if (!MayClash(directory)) continue;
    const auto [at, added] =
        seen_.try_emplace(std::string(directory), Seen{entry.offset, false, {}});
    if (!added && at->second.file) {
      Find(shown, entry.offset,
           "its directory \"" + DisplayName(name.substr(0, end)) +
               "\" is also the file of the entry at offset " + std::to_string(at->second.offset) +
               " (case ignored)");
    }
  }
  if (!MayClash(folded)) return;
  const auto [at, added] = seen_.try_emplace(folded, Seen{entry.offset, true, name});
  if (added) return;
  const std::string earlier = std::to_string(at->second.offset);
  if (at->second.file && at->second.name == name) {
    Find(shown, entry.offset,
         "the same name as the entry at offset " + earlier +
             "; unpacking writes this entry over that one");
  } else if (at->second.file) {
    Find(shown, entry.offset,
         "the same file as the entry at offset " + earlier +
             " (case ignored); unpacking on Windows writes this entry over that one");
  } else {
    Find(shown, entry.offset,
         "a directory too: the entry at offset " + earlier + " lies in it (case ignored)");
  }
}

}  // namespace hxf
