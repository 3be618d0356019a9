#!/usr/bin/env bash
# The reliability stage of the tests: the whole suite under ASan and UBSan, then each fuzz target
# for a bounded time (HXF_FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/sanitize.sh
scripts/fuzz.sh "${HXF_FUZZ_SECONDS:-60}"
