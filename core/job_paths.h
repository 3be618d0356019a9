// The working directories of the two jobs, derived from the package path the user chose.
#pragma once

#include <string>

namespace hxf {

inline constexpr const char* kUnpackRootName = "out_hxf";
inline constexpr const char* kPackRootName = "in_hxf";

// `out_hxf` beside the package.
std::string DefaultUnpackRoot(const std::string& package_path);
// `in_hxf` beside the package.
std::string DefaultPackRoot(const std::string& package_path);

}  // namespace hxf
