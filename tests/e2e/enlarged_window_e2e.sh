#!/bin/bash
# The real viewer under a virtual X server larger than its window: a double click on the playing
# front view opens the enlarged video window over the whole screen, the picture in it moves,
# the pointer at the bottom edge shows the control bar and a double click closes it. Every wait
# is bounded.
# Usage: enlarged_window_e2e.sh VIEWER GENERATOR PROBE OUTDIR   (run inside with_xvfb.sh with a
# 1280 x 1024 screen)
set -u
viewer=$1
generator=$2
probe=$3
outdir=$4
mkdir -p "$outdir"
work=$(mktemp -d /tmp/moksel-e2e-enlarged.XXXXXX)
export XDG_CONFIG_HOME="$work/settings"  # a fresh start: no settings of an earlier run
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  fi
  cp "$work/viewer.log" "$outdir/enlarged-viewer.log" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- viewer output"; tail -20 "$work/viewer.log" 2>/dev/null; exit 1; }

export SDL_AUDIODRIVER=dummy
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# Screen size of the virtual server.
read -r screen_w screen_h < <(xdpyinfo 2>/dev/null | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')
[ -n "${screen_w:-}" ] || fail "cannot read the screen size"
[ "$screen_w" -gt 1024 ] || fail "the screen ($screen_w x $screen_h) must be larger than the main window"

# One pair of 10 s, so it is still playing while the window is examined.
"$generator" --out "$work/drive/NORMAL" --type drf --time 081500 --frames 300 --fps 30 --keyint 30 \
    --size 1280x720 --seed 1 >"$work/gen.log" 2>&1 || fail "moksel-gen failed: $(tail -3 "$work/gen.log")"

"$viewer" "$work/drive" >"$work/viewer.log" 2>&1 &
pid=$!
main=$(timeout 60 xdotool search --sync --onlyvisible --name '^MOKSEL VIEWER$' 2>/dev/null | head -1)
[ -n "$main" ] || fail "no window titled MOKSEL VIEWER within 60 s"
"$probe" watch 20 200 --until-rows 1 >"$work/list.txt" 2>>"$work/probe.log" || fail "the recording is not listed"

# Play the first row, then double click the front view.
xdotool mousemove 811 456 click --repeat 2 --delay 80 1
"$probe" watch 30 100 --until-playing >"$work/start.txt" 2>>"$work/probe.log" || fail "the recording does not play"
xdotool mousemove 260 225 click --repeat 2 --delay 80 1

# The enlarged window: another visible window of the viewer covering the screen.
enlarged_window() {
  for candidate in $(xdotool search --onlyvisible --classname moksel-viewer 2>/dev/null); do
    [ "$candidate" = "$main" ] && continue
    size=$(xwininfo -id "$candidate" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    if [ "$size" = "${screen_w}x${screen_h}" ]; then echo "$candidate"; return; fi
  done
}
enlarged=""
for _ in $(seq 1 100); do
  enlarged=$(enlarged_window)
  [ -n "$enlarged" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the viewer ended"
  sleep 0.1
done
[ -n "$enlarged" ] || fail "no window covering the ${screen_w}x${screen_h} screen after the double click"
echo "enlarged window $enlarged covers the screen"

# The picture is drawn and moves: two grabs a second apart differ, each with many colours.
sleep 0.5
import -window root "$work/a.png" || fail "no screenshot"
sleep 1
import -window root "$work/b.png" || fail "no screenshot"
cp "$work/b.png" "$outdir/enlarged-window.png"
colours=$(convert "$work/b.png" -format '%k' info:)
changed=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1)
echo "enlarged picture: $colours colours, $changed pixels changed in a second"
[ "$colours" -gt 200 ] || fail "the enlarged window shows only $colours colours"
[ "${changed%.*}" -gt 1000 ] || fail "the enlarged picture does not move while playing"

# The pointer at the bottom edge shows the control bar: the bottom strip stops moving with the
# picture and differs from it.
strip="${screen_w}x60+0+$((screen_h - 60))"
import -window root -crop "$strip" "$work/strip-picture.png"
xdotool mousemove $((screen_w / 2)) $((screen_h - 5))
sleep 0.3
xdotool mousemove $((screen_w / 2)) $((screen_h - 3))
sleep 0.5
import -window root -crop "$strip" "$work/strip-bar.png"
sleep 0.5
import -window root -crop "$strip" "$work/strip-bar2.png"
cp "$work/strip-bar2.png" "$outdir/enlarged-bar.png"
bar_change=$(compare -metric AE "$work/strip-bar.png" "$work/strip-bar2.png" null: 2>&1 | cut -d' ' -f1)
bar_vs_picture=$(compare -metric AE "$work/strip-picture.png" "$work/strip-bar.png" null: 2>&1 | cut -d' ' -f1)
echo "bottom strip: $bar_vs_picture pixels differ from the picture, $bar_change between two grabs of the bar"
[ "${bar_vs_picture%.*}" -gt $((screen_w * 20)) ] || fail "no control bar at the bottom edge"
[ "${bar_change%.*}" -lt $((screen_w * 10)) ] || fail "the bottom strip keeps changing: the bar is not shown"

# A double click on the picture closes it; the main window is back.
xdotool mousemove $((screen_w / 2)) $((screen_h / 2)) click --repeat 2 --delay 80 1
closed=0
for _ in $(seq 1 50); do
  [ -z "$(enlarged_window)" ] && { closed=1; break; }
  sleep 0.1
done
[ "$closed" = 1 ] || fail "the double click did not close the enlarged window"
"$probe" watch 10 100 --until-playing >"$work/after.txt" 2>>"$work/probe.log" || fail "the front view shows no picture after closing"

echo "PASS"
