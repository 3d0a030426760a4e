#!/bin/sh
# Builds and runs the audio benchmark (windows, peaks, import). The generated audio (about 1.3 GB)
# is kept in the folder given as the first argument, default build-bench/audio-bench-data.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DHUSHNOTE_BUILD_BENCH=ON -DHUSHNOTE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target audio_bench
"$build/bench/audio_bench" "${1:-$build/audio-bench-data}"
