// The names of a package as the unpacker and the player will see them: a name the unpacker would
// refuse, two entries that name one file once case is ignored (as the player's file system
// ignores it), and a name that is a file for one entry and a directory for another. Apart, as
// warnings: names Windows cannot hold, which the unpacker refuses there only.
//
// A package may hold a million names, so the case check keeps only a hash of each folded name on
// a first pass over the entries. Only when two hashes agree are the entries shown again, and the
// names behind those hashes alone are compared in full, which also tells a true pair from two
// names whose hashes merely collide.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
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

  // First pass: checks the name of `entry` against the rule of the unpacker and notes it for the
  // case check.
  void Add(const EntryRecord& entry);
  // After the first pass: whether some names may clash once case is ignored. Only then must every
  // entry be shown again, in the same order, to Recheck.
  bool NeedsSecondPass();
  // Second pass: checks the name of `entry` against the names seen before it that may clash.
  void Recheck(const EntryRecord& entry);

  // One line per problem found, each naming the entry and its offset, in the entries' order.
  const std::vector<NameFinding>& findings() const { return findings_; }
  // One line per name that Windows cannot hold (core/windows_names.h), whatever the host.
  const std::vector<NameFinding>& windows_findings() const { return windows_findings_; }
  // One line per name the unpacker cannot convert as the encoding says (not valid GBK): it keeps
  // the bytes where the host allows any, and cannot write the name on Windows.
  const std::vector<NameFinding>& warnings() const { return warnings_; }

 private:
  struct Seen {
    std::uint64_t offset;  // of the first entry that gave this name
    bool file;             // a file's name, or else a directory holding one
    std::string name;      // a file's, decoded, as that entry spelt it
  };

  void Find(const std::string& shown, std::uint64_t offset, const std::string& what);
  void FindWindowsProblem(const std::vector<std::string>& components, const std::string& shown,
                          std::uint64_t offset);
  // Notes a folded name (a file's, or a directory's) for the first pass.
  void Note(std::string_view folded, bool file);
  bool MayClash(std::string_view folded) const;

  NameEncoding encoding_;
  // First pass: each folded name's hash shifted left by one, its lowest bit set for a file's
  // name. A directory is noted unless it is among those noted lately, so a tree of a few
  // thousand directories notes each about once, whatever the order of its entries.
  std::deque<std::uint64_t> noted_;
  std::array<std::uint64_t, 4096> recent_directories_{};  // by hash; 0 for none
  // The hashes that stand for more than one name, one of them a file's: sorted, after the first
  // pass.
  std::vector<std::uint64_t> suspects_;
  // Second pass: the names behind those hashes, by their decoded form with A-Z folded.
  std::unordered_map<std::string, Seen> seen_;
  std::vector<NameFinding> findings_;
  std::vector<NameFinding> windows_findings_;
  std::vector<NameFinding> warnings_;
};

}  // namespace hxf
