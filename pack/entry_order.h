// The order the packer gives whole entry names: depth first, and within each folder its files and
// subfolders sorted together by NameLess, so that a folder's records come at its sorted place.
// Comparing whole names byte by byte would differ wherever the backslash meets a byte below it:
// the packer puts `a\x` (in folder `a`) before `a.b`, plain byte order the other way round.
#pragma once

#include <string_view>
#include <vector>

#include "core/name_encoding.h"

namespace hxf {

// The components of a package name, split at its backslashes. With kGbk the name is read by
// characters, so a byte 0x5C that ends a two-byte character does not split it (the packer never
// splits a GBK file name there either).
std::vector<std::string_view> PackageNameComponents(std::string_view name, NameEncoding encoding);

// True when the packer puts the entry named `a` before the one named `b` (package names, both as
// stored). Names equal but for the case of ASCII letters are in no order.
bool EntryBefore(std::string_view a, std::string_view b, NameEncoding encoding);

}  // namespace hxf
