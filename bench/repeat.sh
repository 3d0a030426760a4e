#!/usr/bin/env bash
# Builds and runs the repetition-loop benchmark: finding and cutting loops in a minute of speech
# and in the largest answers an engine may give. Usage: bench/repeat.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-bench}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHUSHNOTE_BUILD_BENCH=ON \
  -DHUSHNOTE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target repeat_bench >/dev/null
"$build/bench/repeat_bench"
