// The names of a package as the unpacker and the player will see them: a name the unpacker would
// refuse, two entries that name one file once case is ignored (as the player's file system
// ignores it), and a name that is a file for one entry and a directory for another. Apart, as
// warnings: names Windows cannot hold, which the unpacker refuses there only.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/name_encoding.h"
#include "core/record_reader.h"

namespace hxf {

struct NameFinding {
  std::uint64_t offset;  // of the entry's record
  std::string text;      // naming the entry and its offset
};

class NameCheck {
 public:
  explicit NameCheck(NameEncoding encoding) : encoding_(encoding) {}

  // Checks the name of `entry` against the rule of the unpacker and the names seen before it.
  void Add(const EntryRecord& entry);
  // One line per problem found, each naming the entry and its offset.
  const std::vector<NameFinding>& findings() const { return findings_; }
  // One line per name that Windows cannot hold (core/windows_names.h), whatever the host.
  const std::vector<NameFinding>& windows_findings() const { return windows_findings_; }

 private:
  struct Seen {
    std::uint64_t offset;  // of the first entry that gave this name
    bool file;             // a file's name, or else a directory holding one
  };

  void Find(const std::string& shown, std::uint64_t offset, const std::string& what);
  void FindWindowsProblem(const std::vector<std::string>& components, const std::string& shown,
                          std::uint64_t offset);

  NameEncoding encoding_;
  // Every name and directory seen, by its decoded form with A-Z folded to lower case.
  std::unordered_map<std::string, Seen> seen_;
  std::vector<NameFinding> findings_;
  std::vector<NameFinding> windows_findings_;
};

}  // namespace hxf
