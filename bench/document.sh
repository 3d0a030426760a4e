#!/bin/sh
# Builds and runs the document benchmark: a 12-hour note of 7,200 segments shown offscreen (first
# frame vs decoding its JSON) and the cost of 1,000 playback ticks (vs the controller alone).
# An argument sets the number of segments.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DHUSHNOTE_BUILD_BENCH=ON -DHUSHNOTE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target document_bench
"$build/bench/document_bench" "$@"
