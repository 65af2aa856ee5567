#!/bin/bash
# The real viewer on an X server whose clients get no OpenGL (as over a forwarded connection):
# the window comes up and paints, the map button shows the map pane (a page or a notice that the
# map is unavailable), and a recording given on the command line plays, all without a crash.
# Usage: no_opengl_e2e.sh VIEWER GEN WORKDIR   (run inside with_xvfb.sh)
set -u
viewer=$1
gen=$2
work=$3
fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }

rm -rf "$work" && mkdir -p "$work"
export XDG_CONFIG_HOME="$work/settings"  # a fresh start: no settings of an earlier run
"$gen" --out "$work" --frames 90 --size 320x180 >/dev/null || fail "no recording generated"
front=$(ls "$work"/drf0_*.mp4)

export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none
"$viewer" "$front" >"$work/viewer.log" 2>&1 &
pid=$!

window=""
deadline=$((SECONDS + 120))
while [ "$SECONDS" -lt "$deadline" ] && [ -z "$window" ]; do
  window=$(xdotool search --onlyvisible --name '^MOKSEL VIEWER$' 2>/dev/null | head -1)
  kill -0 "$pid" 2>/dev/null || fail "the viewer ended before showing its window: $(tail -5 "$work/viewer.log")"
  sleep 0.1
done
[ -n "$window" ] || fail "no window titled MOKSEL VIEWER"

# Painted: the skin has many colours. Then the recording plays: the front view changes.
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the viewer ended after its first paint: $(tail -5 "$work/viewer.log")"
import -window root -crop 487x311+18+70 "$work/front1.png" || fail "no screenshot"
sleep 1
import -window root -crop 487x311+18+70 "$work/front2.png" || fail "no screenshot"
colours=$(import -window root -crop 1024x768+0+0 png:- | convert - -format '%k' info:)
[ "$colours" -gt 1000 ] || fail "the window shows only $colours colours"
difference=$(compare -metric AE "$work/front1.png" "$work/front2.png" null: 2>&1)
[ "${difference%% *}" != 0 ] || fail "the front view did not change: the recording does not play"

# The map pane over the list (GPS button), then back to the list.
xdotool mousemove 921 398 click 1
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the viewer ended when the map was shown: $(tail -5 "$work/viewer.log")"
xdotool mousemove 740 398 click 1
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the viewer ended when the list came back"
kill "$pid"
wait "$pid" 2>/dev/null
echo "PASS"
