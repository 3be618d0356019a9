// The package checksum over data already in memory: the word sum alone, and fed in the odd-sized
// chunks a stream delivers, from sizes that stay in the cache to ones that do not.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <random>
#include <span>
#include <vector>

#include "core/checksum.h"

namespace {

std::vector<std::byte> RandomBytes(std::size_t size) {
  std::mt19937 random(7);
  std::vector<std::byte> bytes(size);
  for (std::byte& b : bytes) b = static_cast<std::byte>(random());
  return bytes;
}

void BM_SumWords(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::vector<std::byte> data = RandomBytes(size);
  std::uint32_t sum = 0;
  for (auto _ : state) {
    sum = hxf::SumWords(sum, data);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_SumWords)->Arg(4 << 10)->Arg(256 << 10)->Arg(1 << 20)->Arg(64 << 20);

// A word sum that starts off a 4-byte boundary, as the body does inside a read buffer.
void BM_SumWordsUnaligned(benchmark::State& state) {
  const std::size_t size = 1 << 20;
  const std::vector<std::byte> data = RandomBytes(size + 4);
  const std::span<const std::byte> words = std::span(data).subspan(1, size);
  std::uint32_t sum = 0;
  for (auto _ : state) {
    sum = hxf::SumWords(sum, words);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_SumWordsUnaligned);

// The stream's view: chunks of `range(0)` bytes, which leave a partial word at most boundaries.
void BM_PackageChecksumChunked(benchmark::State& state) {
  const std::size_t size = 64 << 20;
  const auto chunk = static_cast<std::size_t>(state.range(0));
  const std::vector<std::byte> data = RandomBytes(size);
  for (auto _ : state) {
    hxf::PackageChecksum checksum;
    for (std::size_t at = 0; at < size; at += chunk) {
      checksum.Update(std::span(data).subspan(at, std::min(chunk, size - at)));
    }
    benchmark::DoNotOptimize(checksum.value());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_PackageChecksumChunked)->Arg(1021)->Arg(102400)->Arg(1024000);

}  // namespace
