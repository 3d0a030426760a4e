#!/bin/sh
# Runs an AT-SPI end-to-end test in its own virtual X display with its own session and
# accessibility buses: run_atspi.sh SCRIPT PROGRAM. The display number is the one Xvfb picks and
# reports once it accepts connections, so suites running at once never share or race for one.
# Skips (exit 77) where Xvfb or pyatspi is missing. The script's exit status is the test's.
set -eu
script=$1
program=$2
command -v Xvfb >/dev/null && command -v dbus-run-session >/dev/null && command -v dbus-send >/dev/null &&
  [ -x /usr/libexec/at-spi-bus-launcher ] && /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || exit 77

work=$(mktemp -d)
xvfb=
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb writes the display number to the pipe when it is ready for clients. Another suite on the
# machine may start one at the same moment and win that number, and then this one exits: start
# again until the server holding the number is ours.
mkfifo "$work/displayfd"
for attempt in 1 2 3 4 5; do
  Xvfb -displayfd 3 -screen 0 1400x1000x24 -nolisten tcp 3>"$work/displayfd" &
  xvfb=$!
  display=
  read -r display <"$work/displayfd" || true
  sleep 0.5
  if [ -n "$display" ] && kill -0 "$xvfb" 2>/dev/null; then break; fi
  wait "$xvfb" 2>/dev/null || true
  xvfb=
done
[ -n "$xvfb" ] || { echo "Xvfb did not start" >&2; exit 1; }
# A runtime folder of this run's own: the accessibility bus's socket is named there by display
# number alone, and the number is reused by the next run.
mkdir -m 700 "$work/runtime"
export DISPLAY=":$display" PYTHONDONTWRITEBYTECODE=1 XDG_RUNTIME_DIR="$work/runtime"

status=0
dbus-run-session -- sh -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  # The accessibility bus answers once the launcher has started it.
  until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1; do
    kill -0 $launcher 2>/dev/null || { echo "the accessibility bus did not start" >&2; exit 1; }
    sleep 0.2
  done
  /usr/bin/python3 "$0" "$1"
  status=$?
  kill $launcher 2>/dev/null
  exit $status
' "$script" "$program" || status=$?
exit $status
