#!/bin/sh
# Builds and runs the library benchmark: reading a ~120 MB home library against python3's json
# module, and searching it. Arguments are passed on (notes, segments, characters per segment).
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DHUSHNOTE_BUILD_BENCH=ON -DHUSHNOTE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target library_bench
"$build/bench/library_bench" "$@"
