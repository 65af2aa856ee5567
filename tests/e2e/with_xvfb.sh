#!/bin/bash
# Runs a command on a virtual X server of its own: with_xvfb.sh WxHxD COMMAND [ARGS...]
# The server picks a free display number itself (-displayfd), so tests and other X servers on
# the machine never race for one (xvfb-run -a can hand two servers the same number, and the
# loser's viewer then fails to connect and aborts at start).
set -u
screen=$1
shift
work=$(mktemp -d)
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 "$screen" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 5>&-
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then
  echo "with_xvfb: Xvfb did not start: $(tail -3 "$work/xvfb.log")"
  kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
  exit 1
fi
export DISPLAY=":$(head -1 "$work/display")"
unset WAYLAND_DISPLAY
"$@"
status=$?
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
rm -rf "$work"
exit $status
