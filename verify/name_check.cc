#include "verify/name_check.h"

#include "core/entry_path.h"
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

std::string Quoted(const std::string& shown, std::uint64_t offset) {
  return "\"" + shown + "\" at offset " + std::to_string(offset) + ": ";
}

}  // namespace

void NameCheck::Find(const std::string& shown, std::uint64_t offset, const std::string& what) {
  findings_.push_back({offset, Quoted(shown, offset) + what});
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

void NameCheck::Add(const EntryRecord& entry) {
  const std::string name = DecodeName(entry.name, encoding_);
  const std::string shown = DisplayName(name);
  Result<std::vector<std::string>> split = SplitEntryName(name);
  if (!split.ok()) {
    Find(shown, entry.offset, "the unpacker refuses it: " + split.status().message());
    return;
  }
  FindWindowsProblem(*split, shown, entry.offset);

  const std::string folded = FoldCase(name);
  for (std::size_t end = folded.find(format::kNameSeparator); end != std::string::npos;
       end = folded.find(format::kNameSeparator, end + 1)) {
    const auto [at, added] = seen_.try_emplace(folded.substr(0, end), Seen{entry.offset, false});
    if (!added && at->second.file) {
      Find(shown, entry.offset,
           "its directory \"" + DisplayName(name.substr(0, end)) +
               "\" is also the file of the entry at offset " + std::to_string(at->second.offset) +
               " (case ignored)");
    }
  }
  const auto [at, added] = seen_.try_emplace(folded, Seen{entry.offset, true});
  if (added) return;
  const std::string earlier = std::to_string(at->second.offset);
  if (at->second.file) {
    Find(shown, entry.offset,
         "the same file as the entry at offset " + earlier + " (case ignored)");
  } else {
    Find(shown, entry.offset,
         "a directory too: the entry at offset " + earlier + " lies in it (case ignored)");
  }
}

}  // namespace hxf
