// Entry names are relative paths with backslash separators. On unpacking they are untrusted: a
// name is mapped to host path components only when every component stays inside the unpack root.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"

namespace hxf {

// Splits a (decoded) entry name at its backslashes into host path components. Refuses, with
// kInvalidArgument and the reason, a name that is empty or has an empty component (a leading,
// trailing or doubled backslash), a "." or ".." component, a colon (a drive letter or stream), a
// slash (the host's separator), a control character, or a zero byte.
Result<std::vector<std::string>> SplitEntryName(std::string_view name);

// SplitEntryName, refusing besides a component this host's file system cannot hold or would take
// for something else (core/host_names.h: on Windows a device name, a trailing dot...). The
// components the unpacker writes.
Result<std::vector<std::string>> SplitEntryNameForHost(std::string_view name);

// Why `component` may not be one component of an unpacked name (the rules SplitEntryName applies
// to each), or empty when it may.
std::string EntryComponentProblem(std::string_view component);

// Joins host path components with backslashes into an entry name.
std::string JoinEntryName(const std::vector<std::string>& components);

}  // namespace hxf
