#!/bin/sh
# Builds and runs the recording benchmark: a private sound server plays a generated stream (a
# tone with a pause every few seconds) into its default output while record_bench records it for
# MINUTES (default 10, so it takes that long in real time) and transcribes it while recording
# with an engine at 2x real time. It prints the time from the stop to the complete transcript
# against the same engine over the whole file afterwards. Usage: bench/record.sh [MINUTES]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
minutes=${1:-10}
cmake -S "$here" -B "$build" -G Ninja -DHUSHNOTE_BUILD_BENCH=ON -DHUSHNOTE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target record_bench

work=$(mktemp -d)
daemon=
player=
cleanup() {
  [ -z "$player" ] || kill "$player" 2>/dev/null || true
  [ -z "$daemon" ] || kill "$daemon" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/runtime"
cat >"$work/server.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$work/runtime/native
load-module module-null-sink sink_name=speakers
set-default-sink speakers
PA
export XDG_RUNTIME_DIR="$work/runtime" PULSE_SERVER="unix:$work/runtime/native"
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent HOME="$work" pulseaudio -n -F "$work/server.pa" --daemonize=no \
  --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes --log-level=error &
daemon=$!
until pactl info >/dev/null 2>&1; do kill -0 "$daemon" || exit 1; sleep 0.1; done
seconds=$(awk "BEGIN { print $minutes * 60 + 30 }")
ffmpeg -v error -f lavfi -i "sine=frequency=300:sample_rate=48000,volume='if(lt(mod(t,5),4),1,0)':eval=frame" \
  -t "$seconds" "$work/stream.wav"
paplay -d speakers "$work/stream.wav" &
player=$!
"$build/bench/record_bench" "$minutes"
