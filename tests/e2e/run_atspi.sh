#!/bin/sh
# Runs an AT-SPI end-to-end test in a virtual X display with its own session and accessibility
# buses: run_atspi.sh SCRIPT PROGRAM. Skips (exit 77) where Xvfb or pyatspi is missing.
set -e
script=$1
program=$2
command -v xvfb-run >/dev/null && [ -x /usr/libexec/at-spi-bus-launcher ] && /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || exit 77
exec xvfb-run -a dbus-run-session -- sh -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  /usr/bin/python3 "$0" "$1"
  status=$?
  kill $launcher 2>/dev/null
  exit $status
' "$script" "$program"
