#!/bin/sh
# The main window on a 2,000-note home library (the size bench/library.sh reads): the time from
# start to the window's first frame against `hushnote-cli list` on the same library (target: at
# most 1.5 times), and the time from a search keystroke to its frame. Medians of three runs.
# Arguments: notes, segments per note, characters per segment (default 2000 60 1000).
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${HUSHNOTE_BUILD_DIR:-$here/build}
"$here/scripts/build" "$build" >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
/usr/bin/python3 - "$XDG_DATA_HOME/Hushnote/Library" "${1:-2000}" "${2:-60}" "${3:-1000}" <<'PY'
import json, os, random, sys, uuid
root, notes, segments, chars = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
words = ["project", "budget", "meeting", "review", "会议", "预算", "客户", "进度", "决定", "下一步"]
rnd = random.Random(42)
def text(n):
    out = []
    while sum(len(w) + 1 for w in out) < n:
        out.append(rnd.choice(words))
    return " ".join(out)
for n in range(notes):
    note_id = str(uuid.UUID(int=rnd.getrandbits(128), version=4)).upper()
    folder = os.path.join(root, "recordings", note_id)
    os.makedirs(folder)
    record = {"id": note_id, "title": "Note %d %s" % (n, text(12)), "duration": segments * 60.0,
              "createdAt": "2026-%02d-%02dT08:00:00Z" % (1 + n % 12, 1 + n % 28), "summary": text(400),
              "storedAudioName": "audio.m4a", "completedChunks": segments,
              "segments": [{"id": "s%d" % s, "start": s * 60.0, "end": s * 60.0 + 60, "text": text(chars),
                            "speaker": "A"} for s in range(segments)]}
    with open(os.path.join(folder, "record.json"), "w") as f:
        json.dump(record, f, ensure_ascii=False)
PY
ms() { date +%s%N | cut -c1-13; }
median() { sort -n | sed -n 2p; }
"$build/bin/hushnote-cli" list >/dev/null # warm the page cache
cli=$(for i in 1 2 3; do s=$(ms); "$build/bin/hushnote-cli" list >/dev/null; echo $(( $(ms) - s )); done | median)
window=$(for i in 1 2 3; do s=$(ms); "$build/bin/hushnote-scenes" --benchmark first-frame; echo $(( $(ms) - s )); done | median)
keys=$("$build/bin/hushnote-scenes" --benchmark keystrokes 2>/dev/null | grep keystroke)
echo "first frame: window ${window} ms, hushnote-cli list ${cli} ms, ratio $(echo "scale=2; $window / $cli" | bc) (target <= 1.5)"
echo "search: $keys"
