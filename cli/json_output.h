// The JSON documents of `list --json` and `verify --json`, for scripts.
#pragma once

#include <nlohmann/json.hpp>

#include "core/name_encoding.h"
#include "core/record_reader.h"

namespace hxf::cli {

// One entry: its decoded name, the name's stored bytes in hex (exact even where the decoded name
// is not valid UTF-8), the record's offset, its attribute byte and its data length.
nlohmann::json EntryJson(const EntryRecord& entry, NameEncoding encoding);

// The corruption where the records end, or null.
nlohmann::json CorruptionJson(const RecordReader& reader);

// Prints `document` and a newline on standard output. Bytes of a string that are not UTF-8 are
// replaced there by U+FFFD; the hex fields keep them.
void PrintJson(const nlohmann::json& document);

}  // namespace hxf::cli
