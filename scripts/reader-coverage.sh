#!/usr/bin/env bash
# Line and branch coverage of the record reader (core/record_reader.cc) reached by a corpus of the
# reader's fuzz target, measured with clang's source-based coverage in build-cov/.
#   scripts/reader-coverage.sh [CORPUS_DIR...]   (default: the committed seeds)
set -euo pipefail
cd "$(dirname "$0")/.."
corpora=("$@")
[ ${#corpora[@]} -gt 0 ] || corpora=(fuzz/corpus/record_reader)
flags="-fprofile-instr-generate -fcoverage-mapping"
CC=clang CXX=clang++ cmake -S . -B build-cov -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DHXF_BUILD_GUI=OFF -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-cov --parallel "$(nproc)" --target fuzz_record_reader
rm -f build-cov/reader-*.profraw
LLVM_PROFILE_FILE=build-cov/reader-%p.profraw build-cov/bin/fuzz_record_reader "${corpora[@]}" \
  2>/dev/null
llvm-profdata-14 merge -sparse build-cov/reader-*.profraw -o build-cov/reader.profdata
llvm-cov-14 report build-cov/bin/fuzz_record_reader -instr-profile=build-cov/reader.profdata \
  core/record_reader.cc core/checksum.cc
