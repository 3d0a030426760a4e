#!/usr/bin/env bash
# Builds and runs the model-verification benchmark: WhisperModels::verify against sha256sum on the
# same 488 MB file, printed as a ratio. Usage: bench/verify.sh [BUILD_DIR] [BYTES]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-bench}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHUSHNOTE_BUILD_BENCH=ON \
  -DHUSHNOTE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target verify_bench >/dev/null
"$build/bench/verify_bench" ${2:+"$2"}
