// Reads the rest of the current record's data into `out`, for fuzz targets that compare what they
// read with what they wrote. False when a read fails, or the input ends first although its size
// said the data were there (the reader's corruption() then says where); a whole input in memory
// does neither, since the reader hands out an entry only when its data fit.
#pragma once

#include <span>
#include <string>

#include "core/record_reader.h"

inline bool ReadRecordData(hxf::RecordReader& reader, std::string& out) {
  while (true) {
    hxf::Result<std::span<const std::byte>> chunk = reader.ReadData();
    if (!chunk.ok()) return false;
    if (chunk->empty()) return true;
    out.append(reinterpret_cast<const char*>(chunk->data()), chunk->size());
  }
}
