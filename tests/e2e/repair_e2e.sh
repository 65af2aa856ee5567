#!/bin/bash
# The real viewer under a virtual X server on a folder with a whole pair and a pair the camera
# could not finish (its files cut at 60%, the index lost): the cut row is marked in the list; a
# double click asks, OK repairs the pair into REPAIRED beside it and the repaired recording
# plays (its pictures show the generator's frame numbers, front and rear).
#
#   repair_e2e.sh VIEWER GENERATOR PROBE OUTDIR
set -u
viewer=$1
generator=$2
probe=$3
outdir=$4
mkdir -p "$outdir"

work=$(mktemp -d /tmp/moksel-e2e-repair.XXXXXX)
export XDG_CONFIG_HOME="$work/settings"  # a fresh start: no settings of an earlier run
xvfb_pid=""
viewer_pid=""
cleanup() {
  [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null && wait "$viewer_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  cp "$work/viewer.log" "$outdir/repair-viewer.log" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- viewer output"; tail -20 "$work/viewer.log" 2>/dev/null
  exit 1
}
field() { sed -n "s/.*\b$2=\(-\?[0-9]*\).*/\1/p" <<<"$(tail -1 "$1")"; }

# ---- The folder: a whole pair at 08:15:00 and a cut one at 08:20:00.
for time in 081500 082000; do
  "$generator" --out "$work/drive" --time "$time" --frames 150 --size 640x360 >>"$work/gen.log" 2>&1 ||
    fail "moksel-gen failed: $(tail -3 "$work/gen.log")"
done
for camera in 0 1; do
  f="$work/drive/drf${camera}_20120301_082000.mp4"
  head -c $(( $(stat -c %s "$f") * 6 / 10 )) "$f" >"$f.cut" && mv "$f.cut" "$f"
done

# ---- A virtual X server with a screen the size of the window, and the viewer on the folder.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 5>&-
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"
export QT_QPA_PLATFORM=xcb
export SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY
"$viewer" "$work/drive" >"$work/viewer.log" 2>&1 &
viewer_pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^MOKSEL VIEWER$' 2>/dev/null | head -1)
[ -n "$window" ] || fail "no window titled MOKSEL VIEWER within 60 s"
# The probe counts rows of light text; the cut-off row is drawn in its own colour.
"$probe" watch 20 200 --until-rows 1 >"$work/list.txt" 2>>"$work/probe.log" ||
  fail "the list does not show the whole recording"
sleep 1

# ---- The marked row: text drawn in the cut-off colour (list pane at (661, 428), rows of 20).
import -window root "$work/list.png" || fail "no screenshot"
marked=()
for row in 0 1; do
  y=$((428 + 18 + 20 * row))
  n=$(convert "$work/list.png" -crop "290x20+701+$y" +repage -fuzz 12% -fill white \
        -opaque "rgb(255,120,64)" -fill black +opaque white -format '%[fx:int(mean*w*h+0.5)]' info:)
  marked+=("$n")
done
echo "cut-off coloured pixels per row: ${marked[*]}"
if [ "${marked[0]}" -gt 20 ] && [ "${marked[1]}" -lt 3 ]; then cut_row=0
elif [ "${marked[1]}" -gt 20 ] && [ "${marked[0]}" -lt 3 ]; then cut_row=1
else fail "exactly one row should be marked (pixels: ${marked[*]})"; fi

# ---- Double click it, answer OK (question box at (364, 276), its OK button at (52, 177)).
xdotool mousemove 811 $((456 + 20 * cut_row)) click --repeat 2 --delay 80 1
sleep 1.5
import -window root "$outdir/repair-question.png" 2>/dev/null
xdotool mousemove $((364 + 52 + 30)) $((276 + 177 + 10)) click 1
"$probe" watch 60 200 --until-playing >"$work/play.txt" 2>>"$work/probe.log" ||
  fail "no numbered picture in the front view within 60 s of confirming the repair"
"$probe" watch 2 200 >"$work/play.txt" 2>>"$work/probe.log"
front=$(field "$work/play.txt" front)
rear=$(field "$work/play.txt" rear)
echo "playing the repaired pair: front frame $front, rear frame $rear"
[ -f "$work/drive/REPAIRED/drf0_20120301_082000.mp4" ] || fail "no repaired front file"
[ -f "$work/drive/REPAIRED/drf1_20120301_082000.mp4" ] || fail "no repaired rear file"
[ "${front:--1}" -ge 0 ] && [ "${rear:--1}" -ge 0 ] || fail "front $front / rear $rear not readable"
echo "PASS"
