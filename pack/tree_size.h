// The least a package of a tree can take, from a listing of the tree and the size of each file,
// before a byte of it is read or written: so a tree too large for one package is refused at once,
// not after 2 GiB of it have been copied. Only what surely goes in is counted: the data of the
// files and the fixed part of their records, not their names; nothing the packer passes over or
// surely leaves out (hidden names, special files, links it will not follow, files of 2 GiB or
// more). Names and files that cannot be read can only make the package smaller than this.
#pragma once

#include <cstdint>
#include <functional>

#include "core/file_system.h"
#include "core/status.h"
#include "pack/pack_directory.h"

namespace hxf {

// The least size of the package made of what `settings` picks below `root`, end marker and header
// included; the count stops once it passes `enough`. Fails with kCancelled once `stop` says so.
Result<std::uint64_t> LeastPackageSize(Directory& root, const PackSettings& settings,
                                       std::uint64_t enough, const std::function<bool()>& stop);

}  // namespace hxf
