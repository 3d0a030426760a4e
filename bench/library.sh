#!/bin/sh
# Builds and runs the library benchmark on a generated home library of 2,000 one-hour notes
# (~380 MB of record.json; arguments are passed on: notes, segments, characters per segment):
#   1. `hushnote-cli list --query x` against python3 loading the same files with its json module,
#      wall time and peak memory of each whole process (targets: at most 0.6x python's time, peak
#      at most 1.5x the JSON bytes on disk);
#   2. LibraryReader::read against python3, and the time of a search per keystroke (< 50 ms).
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHUSHNOTE_BUILD_BENCH=ON -DHUSHNOTE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target library_bench hushnote-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/data/Hushnote/Library"
"$build/bench/library_bench" generate "$root" "$@"
bytes=$(find "$root/recordings" -name record.json -printf '%s\n' | awk '{ s += $1 } END { print s }')
load='import json, os, sys
d = sys.argv[1]
notes = [json.load(open(os.path.join(d, n, "record.json"), "rb")) for n in os.listdir(d) if not n.startswith(".")]'
# Each run prints "seconds kilobytes user-seconds system-seconds"; three runs of each, interleaved, after one
# to warm the cache. Processor time is printed too: on a busy machine it is the steadier figure.
python3 -c "$load" "$root/recordings"
runs="$work/runs"
for i in 1 2 3; do
  /usr/bin/time -f 'python %e %M %U %S' -a -o "$runs" python3 -c "$load" "$root/recordings"
  XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" /usr/bin/time -f 'cli %e %M %U %S' -a -o "$runs" \
    "$build/bin/hushnote-cli" list --query x >/dev/null
done
awk -v bytes="$bytes" '
  { t[$1] = t[$1] " " $2; m[$1] = m[$1] " " $3; c[$1] = c[$1] " " ($4 + $5) }
  function median(list,   v, n, i, j, x) {
    n = split(list, v, " ")
    for (i = 2; i <= n; i++) { x = v[i]; for (j = i - 1; j >= 1 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
    return v[int((n + 1) / 2)]
  }
  END {
    ct = median(t["cli"]); pt = median(t["python"]); cm = median(m["cli"]) * 1024; pm = median(m["python"]) * 1024
    printf "cli list --query x: %.2f s, peak %.0f MB; python3 json: %.2f s, peak %.0f MB; JSON on disk %.0f MB\n", ct, cm / 1e6, pt, pm / 1e6, bytes / 1e6
    cc = median(c["cli"]); pc = median(c["python"])
    printf "processor time: cli %.2f s, python3 %.2f s\n", cc, pc
    printf "ratios: time %.2f of python (target <= 0.6; processor time %.2f), peak %.2f of the JSON bytes (target <= 1.5)\n", ct / pt, cc / pc, cm / bytes
  }' "$runs"
"$build/bench/library_bench" search "$root"
