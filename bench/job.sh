#!/bin/sh
# Builds and runs the job benchmark: a whole transcription job with an instant engine (default a
# 12-hour note), against ffmpeg decoding the same file once. Usage: bench/job.sh [HOURS]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DHUSHNOTE_BUILD_BENCH=ON -DHUSHNOTE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target job_bench
"$build/bench/job_bench" "$@"
