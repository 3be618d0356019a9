// Entry names are bytes in the code page of the system that made the package: GBK (code page
// 936) for the packages this tool meets. Host file names here are UTF-8. These functions convert
// between the two without ever losing a name: bytes that do not convert are kept as they are.
#pragma once

#include <string>
#include <string_view>

#include "core/status.h"

namespace hxf {

enum class NameEncoding {
  kGbk,  // convert between the package's GBK and the host's UTF-8 (the default)
  kRaw,  // keep every byte as it is
};

// Package name bytes to a host name. With kGbk, a name that is not valid GBK stays as its bytes.
std::string DecodeName(std::string_view package_name, NameEncoding encoding);
// Whether DecodeName converts the name as `encoding` says: with kGbk, whether it is valid GBK.
bool Decodes(std::string_view package_name, NameEncoding encoding);

bool IsValidUtf8(std::string_view text);

// A host name to package name bytes. With kGbk, a name that is not valid UTF-8 stays as its bytes;
// a valid one that has no GBK form fails with kInvalidArgument.
Result<std::string> EncodeName(std::string_view host_name, NameEncoding encoding);

// A name as it can be shown safely in a log line or on a terminal: valid UTF-8 is kept, while
// control characters and bytes that are not UTF-8 are written as \xNN.
std::string DisplayName(std::string_view name);

}  // namespace hxf
