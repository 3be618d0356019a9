// The record reader over a package held in memory, so the figure is the reader's own cost (the
// copy into its buffer, the parsing and the checksum) without the disk's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "core/file_system.h"
#include "core/package_format.h"
#include "core/record_reader.h"

namespace {

class MemoryInputFile final : public hxf::InputFile {
 public:
  explicit MemoryInputFile(const std::vector<std::byte>& bytes) : bytes_(bytes) {}

  hxf::Result<std::size_t> Read(std::span<std::byte> buffer) override {
    const std::size_t count = std::min(buffer.size(), bytes_.size() - position_);
    if (count > 0) std::memcpy(buffer.data(), bytes_.data() + position_, count);
    position_ += count;
    return count;
  }
  hxf::Status Seek(std::uint64_t offset) override {
    position_ = static_cast<std::size_t>(offset);
    return hxf::Status::Ok();
  }
  std::uint64_t size() const override { return bytes_.size(); }
  hxf::FileId id() const override { return {}; }
  const std::string& path() const override { return path_; }

 private:
  const std::vector<std::byte>& bytes_;
  std::size_t position_ = 0;
  std::string path_ = "memory";
};

void PutU32(std::vector<std::byte>& out, std::uint32_t value) {
  std::byte field[4];
  hxf::EncodeU32(value, field);
  out.insert(out.end(), field, field + 4);
}

// A package of `count` entries of `size` bytes each (the header is not filled in: the reader
// does not need it to walk the records).
std::vector<std::byte> BuildPackage(std::size_t count, std::size_t size) {
  std::vector<std::byte> package(hxf::format::kHeaderSize);
  package.reserve(hxf::format::kHeaderSize + count * (size + 32) + 4);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = "DIR" + std::to_string(i % 50) + "\\file" + std::to_string(i);
    PutU32(package, static_cast<std::uint32_t>(name.size()));
    for (char c : name) package.push_back(static_cast<std::byte>(c));
    package.push_back(hxf::format::kAttributeByte);
    PutU32(package, static_cast<std::uint32_t>(size));
    package.insert(package.end(), size, std::byte{0x5A});
  }
  PutU32(package, 0);
  return package;
}

// range(0): entries, range(1): bytes per entry, range(2): the reader's buffer size.
void BM_ReadAllRecords(benchmark::State& state) {
  const std::vector<std::byte> package = BuildPackage(static_cast<std::size_t>(state.range(0)),
                                                      static_cast<std::size_t>(state.range(1)));
  for (auto _ : state) {
    MemoryInputFile file(package);
    hxf::RecordReader reader(file, static_cast<std::size_t>(state.range(2)));
    std::size_t data_bytes = 0;
    while (true) {
      hxf::Result<hxf::RecordReader::Step> step = reader.Next();
      if (!step.ok() || *step == hxf::RecordReader::Step::kEnd ||
          *step == hxf::RecordReader::Step::kCorrupt) {
        break;
      }
      if (*step != hxf::RecordReader::Step::kEntry) continue;
      while (true) {
        hxf::Result<std::span<const std::byte>> chunk = reader.ReadData();
        if (!chunk.ok() || chunk->empty()) break;
        data_bytes += chunk->size();
      }
    }
    benchmark::DoNotOptimize(data_bytes);
    benchmark::DoNotOptimize(reader.Checksum());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * package.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * state.range(0)));
}
BENCHMARK(BM_ReadAllRecords)
    ->ArgNames({"entries", "size", "buffer"})
    ->Args({64, 1 << 20, 102400})
    ->Args({64, 1 << 20, 1024000})
    ->Args({64, 1 << 20, 4 << 20})
    ->Args({20000, 4096, 102400})
    ->Args({20000, 4096, 1024000});

}  // namespace
