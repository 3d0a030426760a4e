#!/bin/sh
# The local engine's cost, with a generated model of the real base model's dimensions (148 MB):
#  1. a 10-minute recording transcribed by hushnote-cli, against the same whisper-cli run directly
#     over each 60-s window with the same arguments (the program's own overhead: extraction,
#     process starts, saves);
#  2. one window with the language pinned against "-l auto" (encoder runs from whisper's timings).
# Prints both ratios. Usage: bench/engine.sh [BUILD_DIR] [MINUTES]   (default build/, 10)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
minutes=${2:-10}
cli=$build/bin/hushnote-cli
helper=$build/libexec/hushnote/whisper-cli
[ -x "$cli" ] && [ -x "$helper" ] || { echo "engine.sh: build first (scripts/build)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/hushnote-engine-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
now() { date +%s.%N; }
seconds() { echo "$2 - $1" | bc -l; }

echo "generating a base-size model and a $minutes-minute recording..." >&2
python3 "$here/tests/support/make-whisper-model" "$work/model.bin" --state 512 --heads 8 --layers 6
espeak-ng -w "$work/words.wav" "Minutes of the meeting. We agreed to ship on Friday. The budget is approved, \
and the team meets again next week to look at the open questions of the release."
ffmpeg -v error -stream_loop -1 -i "$work/words.wav" -t $((minutes * 60)) -ar 16000 -ac 1 -c:a pcm_s16le \
  "$work/recording.wav"

"$cli" model add "$work/model.bin" --name bench >/dev/null
"$cli" model use bench 2>/dev/null
threads=$(lscpu -p=core,socket | grep -v "^#" | sort -u | wc -l)
note=$("$cli" import "$work/recording.wav")

# The program.
start=$(now)
"$cli" transcribe "$note" >/dev/null 2>&1
program=$(seconds "$start" "$(now)")

# The helper alone over the same windows, with the language the program found after the first.
windows=$minutes
language=auto
start=$(now)
i=0
while [ $i -lt "$windows" ]; do
  ffmpeg -v error -ss $((i * 60)) -t 60 -i "$work/recording.wav" -ar 16000 -ac 1 -c:a pcm_s16le "$work/w.wav" -y
  "$helper" -m "$work/model.bin" -f "$work/w.wav" -l "$language" -otxt -of "$work/w" -t "$threads" \
    -oj -sns -et 2.6 >/dev/null 2>&1
  if [ "$language" = auto ]; then
    language=$(sed -n 's/.*"language": *"\([a-z]*\)".*/\1/p' "$work/w.json" | tail -n 1)
  fi
  i=$((i + 1))
done
direct=$(seconds "$start" "$(now)")

# Encoder runs of one window, language given against detected.
encoder_runs() {
  "$helper" -m "$work/model.bin" -f "$work/w.wav" -l "$1" -otxt -of "$work/e" -t "$threads" -oj -sns -et 2.6 2>&1 \
    | sed -n 's/.*encode time = .*\/ *\([0-9]*\) runs.*/\1/p'
}
auto_runs=$(encoder_runs auto)
pinned_runs=$(encoder_runs "$language")

printf 'program %.1f s, helper alone %.1f s over %d windows: ratio %.3f (goal <= 1.05)\n' \
  "$program" "$direct" "$windows" "$(echo "$program / $direct" | bc -l)"
printf 'encoder runs per window: -l auto %s, -l %s %s: ratio %.2f\n' \
  "$auto_runs" "$language" "$pinned_runs" "$(echo "$auto_runs / $pinned_runs" | bc -l)"
