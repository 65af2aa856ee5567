#!/bin/bash
# The real viewer under a virtual X server: the window is 1024 x 768 at (0, 0) and shows the
# skin, a tool tip shows over a button, and the exit button ends the process with code 0.
# Usage: main_window_e2e.sh VIEWER SCREENSHOT   (run inside with_xvfb.sh)
set -u
viewer=$1
screenshot=$2
fail() {
  echo "FAIL: $*"
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  echo "--- viewer output"; tail -40 "$screenshot.log" 2>/dev/null
  exit 1
}

export SDL_AUDIODRIVER=dummy
# The run's own settings, so what an earlier run or the user saved cannot change the start.
settings_home=$(mktemp -d)
trap 'rm -rf "$settings_home"' EXIT
export XDG_CONFIG_HOME=$settings_home
# A real window on the virtual X server, whatever the surrounding test run chose for Qt.
export QT_QPA_PLATFORM=xcb
"$viewer" >"$screenshot.log" 2>&1 &
pid=$!

# Wait (generously: sanitizer builds on a loaded machine start slowly) for the main window.
window=""
deadline=$((SECONDS + 120))
while [ "$SECONDS" -lt "$deadline" ]; do
  for candidate in $(xdotool search --onlyvisible --name '^MOKSEL VIEWER$' 2>/dev/null); do
    if xwininfo -id "$candidate" | grep -q 'Width: 1024'; then window=$candidate; fi
  done
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the viewer ended before showing its window"
  sleep 0.1
done
[ -n "$window" ] || fail "no window titled MOKSEL VIEWER"

info=$(xwininfo -id "$window")
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
w=$(awk '/Width:/ {print $2}' <<<"$info")
h=$(awk '/Height:/ {print $2}' <<<"$info")
echo "window $window at ($x, $y) size $w x $h"
[ "$x" = 0 ] && [ "$y" = 0 ] || fail "window at ($x, $y), not (0, 0)"
[ "$w" = 1024 ] && [ "$h" = 768 ] || fail "window is $w x $h, not 1024 x 768"

sleep 1  # let the first paint land
import -window root -crop 1024x768+0+0 "$screenshot" || fail "no screenshot"
# The skin: the window is drawn, not one flat colour (a blank window has a single colour).
colours=$(convert "$screenshot" -format '%k' info:)
echo "screenshot $screenshot with $colours colours"
[ "$colours" -gt 1000 ] || fail "the window shows only $colours colours: no skin"

# A tool tip: hover the exit button and wait for another small window of the viewer to show.
xdotool mousemove 500 300
sleep 0.3
xdotool mousemove 980 40
sleep 0.1
xdotool mousemove 985 43
tooltip=""
for _ in $(seq 1 50); do
  sleep 0.1
  for other in $(xdotool search --onlyvisible --classname moksel-viewer 2>/dev/null); do
    [ "$other" = "$window" ] && continue
    size=$(xwininfo -id "$other" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    case "$size" in 1x1|3x3|1024x768) continue ;; esac
    tooltip="$other ($size)"
  done
  [ -n "$tooltip" ] && break
done
echo "tool tip window: ${tooltip:-none}"
[ -n "$tooltip" ] || fail "no tool tip over the exit button"
import -window root -crop 1024x768+0+0 "${screenshot%.png}-tooltip.png" || true

# Exit: press the exit button; the process ends on its own with code 0.
start=$(date +%s%N)
xdotool mousemove 985 43 click 1
ended=0
for _ in $(seq 1 200); do
  if ! kill -0 "$pid" 2>/dev/null; then ended=1; break; fi
  sleep 0.05
done
stop=$(date +%s%N)
[ "$ended" = 1 ] || fail "the viewer did not end within 10 s of the exit button"
wait "$pid"
code=$?
echo "exit took $(( (stop - start) / 1000000 )) ms, exit code $code"
[ "$code" = 0 ] || fail "exit code $code"
echo "PASS"
