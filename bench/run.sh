#!/bin/sh
# Builds a Release hxf in build-bench and times it against tar and cat; see bench/bench.py --help.
exec python3 "$(dirname "$0")/bench.py" "$@"
