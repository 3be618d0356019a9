#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, ASan and UBSan into build-fuzz/ and runs each for
# a bounded time (default 60 seconds; first argument to change it), starting from the committed
# seeds and regression inputs. Fails when any target finds a crash, a hang or a broken invariant;
# the input that did it is left in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     targets: record_reader unpack name round_trip name_pattern edit
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(record_reader unpack name round_trip name_pattern edit)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHXF_FUZZ=ON -DHXF_BUILD_TESTS=OFF -DHXF_BUILD_GUI=OFF >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

mkdir -p build-fuzz/findings
status=0
for target in "${targets[@]}"; do
  # Work on a copy: what the run adds to the corpus is not committed.
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  cp -n fuzz/corpus/"$target"/* "$corpus"/
  [ -d fuzz/regressions/"$target" ] && cp -n fuzz/regressions/"$target"/* "$corpus"/
  echo "fuzzing $target for ${seconds}s"
  if ! build-fuzz/bin/fuzz_"$target" -dict=fuzz/hxf.dict -max_total_time="$seconds" \
    -timeout=10 -malloc_limit_mb=64 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/findings/"$target"- "$corpus" \
    >build-fuzz/"$target".log 2>&1; then
    echo "fuzz_$target found a problem; see build-fuzz/$target.log and build-fuzz/findings/" >&2
    tail -n 40 build-fuzz/"$target".log >&2
    status=1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' build-fuzz/"$target".log || true
done
exit $status
