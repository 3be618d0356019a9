// What the packer passes over in a directory's listing before it looks at an entry closer: names
// that begin with a dot (".git", ".DS_Store"), unless hidden names are to be packed; even then a
// temporary file of ours that a crash left behind; and the package itself.
#pragma once

#include "core/directory_listing.h"
#include "core/file_system.h"
#include "pack/pack_directory.h"

namespace hxf {

enum class PassOver {
  kNone,       // packed, or refused with a line of its own
  kHidden,     // its name begins with a dot
  kTemporary,  // one of our own unfinished files
  kExcluded,   // the package being written, or the one it replaces
};

PassOver PassOverReason(Directory& directory, const DirectoryEntry& entry,
                        const PackSettings& settings);

}  // namespace hxf
