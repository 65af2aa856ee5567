#!/bin/bash
# The real viewer plays a generated drive under a virtual X server; what it shows is read back
# from screen grabs (every generated frame carries its own number) and from the sound it writes.
#
#   playback_e2e.sh VIEWER GENERATOR PROBE OUTDIR
#
# Checks, in one run of the viewer:
#   - the folder given on the command line lists its front recordings only;
#   - a double click on the first row plays it: front and rear numbers advance at about the
#     recording's 30 frames per second of wall time and stay together; sound is written;
#   - pause freezes the picture; each step back after playing shows the frame before;
#   - a click on the position bar while paused shows the first key frame at or after the
#     clicked position; step forward shows the next frames, each step back after stepping
#     forward the frame before;
#   - play continues after the picture shown;
#   - speed step 4 (2.0) about doubles the rate measured at 1.0 in the same run;
#   - at the end of the recording the next entry of the list is selected and plays from its
#     start;
#   - the sound written is the recordings' 1000 Hz tone, not silence.
# Timing checks compare rates with wide margins; every wait is bounded.
set -u

viewer=$1
generator=$2
probe=$3
outdir=$4
mkdir -p "$outdir"

# The drive: three pairs of 12 s at 30 frames per second, a key frame every 30 frames.
readonly kFrames=360
readonly kFps=30
readonly kKeyInterval=30
readonly kPairs=3

work=$(mktemp -d /tmp/moksel-e2e-playback.XXXXXX)
export XDG_CONFIG_HOME="$work/settings"  # a fresh start: no settings of an earlier run
xvfb_pid=""
viewer_pid=""
failures=0

cleanup() {
  if [ -n "$viewer_pid" ]; then
    kill "$viewer_pid" 2>/dev/null
    for _ in $(seq 1 30); do kill -0 "$viewer_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$viewer_pid" 2>/dev/null
    wait "$viewer_pid" 2>/dev/null
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  cp "$work/viewer.log" "$outdir/playback-viewer.log" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "interrupted"; exit 1' INT TERM

pass() { echo "PASS $1: $2"; }
fail() { echo "FAIL $1: $2"; failures=$((failures + 1)); }
check() {  # NAME CONDITION(awk expression over nothing) DETAIL
  if awk "BEGIN { exit !($2) }" 2>/dev/null; then pass "$1" "$3"; else fail "$1" "$3"; fi
}
abort() {
  echo "FAIL $1: $2"
  echo "--- viewer output"; tail -20 "$work/viewer.log" 2>/dev/null
  exit 1
}

# ---- Readings of the probe's grab lines.

field() {  # FILE NAME LINE-SELECTOR(first|last): value of NAME= on that line
  local line
  if [ "$3" = first ]; then line=$(head -1 "$1"); else line=$(tail -1 "$1"); fi
  sed -n "s/.*\b$2=\(-\?[0-9]*\).*/\1/p" <<<"$line"
}

# Least-squares rate of the front numbers over the grabs that read a number, in frames per
# second of wall time; also the count of such grabs and the span they cover.
rate_of() {  # FILE -> "rate count span_ms first last"
  awk '{
      for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
      if (v["front"] < 0) next
      t = v["t_ms"] / 1000.0; f = v["front"]
      n++; st += t; sf += f; stt += t * t; stf += t * f
      if (n == 1) { t0 = t; f0 = f }
      t1 = t; f1 = f
    }
    END {
      if (n < 2 || stt * n - st * st == 0) { print "0 " n + 0 " 0 -1 -1"; exit }
      printf "%.2f %d %d %d %d\n", (n * stf - st * sf) / (n * stt - st * st), n, (t1 - t0) * 1000, f0, f1
    }' "$1"
}

# Largest distance between the front and rear numbers of one grab, and whether every grab
# that read a number found the right camera in each view.
pairing_of() {  # FILE -> "max_gap cameras_ok(1/0) grabs_with_both"
  awk '{
      for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
      if (v["front"] >= 0 && v["front_camera"] != 0) bad = 1
      if (v["rear"] >= 0 && v["rear_camera"] != 1) bad = 1
      if (v["front"] < 0 || v["rear"] < 0) next
      d = v["front"] - v["rear"]; if (d < 0) d = -d
      if (d > gap) gap = d
      n++
    }
    END { printf "%d %d %d\n", gap, bad ? 0 : 1, n }' "$1"
}

# Numbers that go backwards while playing (more than a frame) mean pictures out of order.
backwards_of() {  # FILE -> count of grabs whose front number is below the previous one
  awk '{
      for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
      if (v["front"] < 0) next
      if (seen && v["front"] < prev - 1) back++
      prev = v["front"]; seen = 1
    }
    END { print back + 0 }' "$1"
}

sound_bytes() { stat -c %s "$work/sound.raw" 2>/dev/null || echo 0; }

click() { xdotool mousemove "$1" "$2" click 1; }

# A viewer that ended cannot be read any more: stop with what was measured.
alive() { kill -0 "$viewer_pid" 2>/dev/null || abort viewer.alive "the viewer ended ($1)"; }

# A still picture after a command: prints "front rear".
still() {  # NAME
  alive "$1" >&2
  "$probe" settle 6 >"$work/$1.txt" 2>>"$work/probe.log"
  echo "$(field "$work/$1.txt" front last) $(field "$work/$1.txt" rear last)"
}

# Places in the window (which sits at the screen's top left corner).
readonly kFirstRow=(811 456)         # list pane (661, 428), rows from y 18, 20 pixels each
readonly kStepBack=(248 725)         # buttons of 33 x 32
readonly kPlay=(338 725)
readonly kPause=(378 725)
readonly kStepForward=(416 725)
readonly kSpeedNormal=(259 672)      # speed slider (205, 668), 109 x 8, steps 0..4
readonly kSpeedDouble=(309 672)
readonly kPositionBarLeft=141        # position slider (141, 544), 373 x 16, thumb 16
readonly kPositionBarY=552

# ---- The drive.

types=(drf evt drf)
times=(081500 082000 083000)
folders=(NORMAL EVENT NORMAL)
for i in $(seq 0 $((kPairs - 1))); do
  "$generator" --out "$work/drive/${folders[$i]}" --type "${types[$i]}" --time "${times[$i]}" \
      --frames $kFrames --fps $kFps --keyint $kKeyInterval --size 1280x720 --seed $((i + 1)) \
      >>"$work/gen.log" 2>&1 || abort drive "moksel-gen failed: $(tail -3 "$work/gen.log")"
done
echo "drive: $(find "$work/drive" -name '*.mp4' | wc -l) files of $kFrames frames at $kFps fps"

# ---- A virtual X server with a screen the size of the window.

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 5>&-
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || abort xserver "Xvfb did not start: $(tail -3 "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
export QT_QPA_PLATFORM=xcb
export SDL_AUDIODRIVER=disk
export SDL_DISKAUDIOFILE="$work/sound.raw"
unset WAYLAND_DISPLAY

# ---- The viewer on the drive.

"$viewer" "$work/drive" >"$work/viewer.log" 2>&1 &
viewer_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^MOKSEL VIEWER$' 2>/dev/null | head -1)
[ -n "$window" ] || abort window "no window titled MOKSEL VIEWER within 30 s"
kill -0 "$viewer_pid" 2>/dev/null || abort window "the viewer ended at start"

# The list: the three front recordings, not their rear files, and nothing selected yet.
"$probe" watch 10 200 --until-rows $kPairs >"$work/list.txt" 2>>"$work/probe.log"
sleep 0.5
"$probe" watch 0.3 100 >"$work/list.txt" 2>>"$work/probe.log"
rows=$(field "$work/list.txt" rows last)
check list.rows "$rows == $kPairs" "rows showing a recording: $rows (front recordings on the drive: $kPairs)"
idle_front=$(field "$work/list.txt" front last)
check views.idle "$idle_front < 0" "front view before playing reads frame $idle_front (-1: no picture)"

# ---- Double click on the first row: it plays.

xdotool mousemove "${kFirstRow[@]}" click --repeat 2 --delay 80 1
"$probe" watch 20 100 --until-playing >"$work/start.txt" 2>>"$work/probe.log" ||
  abort play "no numbered picture in the front view within 20 s of the double click"
sound_start=$(sound_bytes)

"$probe" watch 3.5 100 --save "$outdir/playback-mid.png" >"$work/normal.txt" 2>>"$work/probe.log"
sound_after_normal=$(sound_bytes)
read -r rate1 n1 span1 first1 last1 <<<"$(rate_of "$work/normal.txt")"
read -r gap1 cameras1 both1 <<<"$(pairing_of "$work/normal.txt")"
back1=$(backwards_of "$work/normal.txt")
echo "figure: speed 1.0: $rate1 frames/s over $span1 ms ($n1 grabs, frames $first1..$last1)"
check play.rate "$rate1 >= $kFps * 0.6 && $rate1 <= $kFps * 1.4" \
  "front frames advance at $rate1 per second of wall time (recording: $kFps)"
check play.order "$back1 == 0" "grabs whose front number went backwards: $back1"
check play.pair "$both1 >= 5 && $gap1 <= 6" \
  "front and rear numbers at most $gap1 frames apart over $both1 grabs"
check play.cameras "$cameras1 == 1" "front view shows the front camera, rear view the rear camera"
check sound.grows "$sound_after_normal > $sound_start" \
  "sound written: $sound_start bytes, $sound_after_normal bytes 3.5 s later"
echo "screenshot: $outdir/playback-mid.png"
[ -f "$outdir/playback-mid.png" ] && "$probe" read "$outdir/playback-mid.png"

# ---- Pause, then steps back.
alive "before pausing"

"$probe" watch 0.3 100 >"$work/before-pause.txt" 2>>"$work/probe.log"
playing_at=$(field "$work/before-pause.txt" front last)
click "${kPause[@]}"
read -r paused paused_rear <<<"$(still paused)"
sleep 1
read -r paused_later paused_later_rear <<<"$(still paused-later)"
echo "figure: paused on front $paused rear $paused_rear (playing at $playing_at just before)"
check pause.frozen "$paused >= 0 && $paused == $paused_later && $paused_rear == $paused_later_rear" \
  "paused picture front $paused rear $paused_rear, 1.5 s later front $paused_later rear $paused_later_rear"
check pause.place "$paused >= $playing_at && $paused <= $playing_at + 30" \
  "paused at $paused, playing at $playing_at just before the click"
check pause.pair "$paused_rear >= 0 && $paused - $paused_rear <= 3 && $paused_rear - $paused <= 3" \
  "paused front $paused, rear $paused_rear"

click "${kStepBack[@]}"
read -r back1f back1r <<<"$(still step-back-1)"
click "${kStepBack[@]}"
read -r back2f back2r <<<"$(still step-back-2)"
echo "figure: steps back after pausing on $paused/$paused_rear: $back1f/$back1r, then $back2f/$back2r"
check step.back.first "$back1f == $paused - 1 && $back1r == $paused_rear - 1" \
  "first step back after playing shows front $back1f rear $back1r (expected $((paused - 1))/$((paused_rear - 1)))"
check step.back.second "$back2f == $paused - 2 && $back2r == $paused_rear - 2" \
  "second step back shows front $back2f rear $back2r (expected $((paused - 2))/$((paused_rear - 2)))"

# ---- A click on the position bar while paused.
alive "before the seek"
# The bar maps a click at column x to position round((x - thumb / 2) x duration / (373 - 16))
# tenths of a second; the picture shown is the first key frame at or after that time.
duration_tenths=$((kFrames * 10 / kFps))
target_tenths=15
column=$(( (target_tenths * 357 + duration_tenths / 2) / duration_tenths + 8 ))
clicked_tenths=$(awk "BEGIN { printf \"%d\", ($column - 8) * $duration_tenths / 357 + 0.5 }")
key_ms=$(( kKeyInterval * 1000 / kFps ))
expected_seek=$(( (clicked_tenths * 100 + key_ms - 1) / key_ms * kKeyInterval ))
click $((kPositionBarLeft + column)) $kPositionBarY
read -r seekf seekr <<<"$(still seek)"
echo "figure: position bar clicked at column $column = $clicked_tenths tenths of a second:" \
     "front $seekf rear $seekr (first key frame at or after: $expected_seek)"
check seek.paused "$seekf == $expected_seek && $seekr == $expected_seek" \
  "seek while paused shows front $seekf rear $seekr, expected $expected_seek"

click "${kStepForward[@]}"
read -r fwd1f fwd1r <<<"$(still step-forward-1)"
click "${kStepForward[@]}"
read -r fwd2f fwd2r <<<"$(still step-forward-2)"
click "${kStepBack[@]}"
read -r back3f back3r <<<"$(still step-back-3)"
click "${kStepBack[@]}"
read -r back4f back4r <<<"$(still step-back-4)"
echo "figure: from $seekf: forward $fwd1f/$fwd1r, forward $fwd2f/$fwd2r, back $back3f/$back3r, back $back4f/$back4r"
check step.forward "$fwd1f == $seekf + 1 && $fwd2f == $seekf + 2 && $fwd1r == $seekr + 1 && $fwd2r == $seekr + 2" \
  "two steps forward from $seekf show $fwd1f then $fwd2f (rear $fwd1r then $fwd2r)"
check step.back.after-forward "$back3f == $fwd2f - 1 && $back3r == $fwd2r - 1" \
  "first step back after stepping forward shows $back3f/$back3r (expected $((fwd2f - 1))/$((fwd2r - 1)))"
check step.back.again "$back4f == $fwd2f - 2 && $back4r == $fwd2r - 2" \
  "next step back shows $back4f/$back4r (expected $((fwd2f - 2))/$((fwd2r - 2)))"

# ---- Play continues after the picture shown.
alive "before resuming"

click "${kPlay[@]}"
"$probe" watch 2.5 100 >"$work/resumed.txt" 2>>"$work/probe.log"
read -r rate3 n3 span3 first3 last3 <<<"$(rate_of "$work/resumed.txt")"
echo "figure: resumed: $rate3 frames/s over $span3 ms ($n3 grabs, frames $first3..$last3)"
check resume.place "$first3 >= $back4f && $first3 <= $back4f + 45" \
  "play after the steps continues from $back4f: first grab $first3"
check resume.rate "$rate3 >= $kFps * 0.6 && $rate3 <= $kFps * 1.4" "resumed at $rate3 frames/s"

# ---- Speed 2.0 against 1.0.
alive "before speed 2.0"

click "${kSpeedDouble[@]}"
sleep 0.4
"$probe" watch 2.5 100 >"$work/double.txt" 2>>"$work/probe.log"
click "${kSpeedNormal[@]}"
read -r rate2 n2 span2 first2 last2 <<<"$(rate_of "$work/double.txt")"
ratio=$(awk "BEGIN { printf \"%.2f\", ($rate1 > 0) ? $rate2 / $rate1 : 0 }")
echo "figure: speed 2.0: $rate2 frames/s over $span2 ms ($n2 grabs, frames $first2..$last2)"
check speed.double "$ratio >= 1.5 && $ratio <= 2.6" "speed 2.0 rate / speed 1.0 rate = $ratio"

# ---- The end of the recording: the next entry starts.
alive "before the end of the recording"
# Every open reopens the sound device, and the disk output starts its file again: keep the
# first recording's sound now.

cp "$work/sound.raw" "$work/sound-first.raw" 2>/dev/null
"$probe" watch 20 100 --until-restart >"$work/to-end.txt" 2>>"$work/probe.log"
restarted=$?
highest=$(awk '{ for (i = 1; i <= NF; ++i) { split($i, kv, "="); if (kv[1] == "front" && kv[2] > m) m = kv[2] } } END { print m + 0 }' "$work/to-end.txt")
restart_at=$(field "$work/to-end.txt" front last)
echo "figure: first recording shown up to frame $highest of $kFrames; next start seen at frame $restart_at"
check end.reached "$restarted == 0 && $highest >= $kFrames - 10" \
  "frames shown up to $highest before the numbers started again"
"$probe" watch 5 200 --until-selected 1 >"$work/next-select.txt" 2>>"$work/probe.log"
"$probe" watch 2 100 >"$work/next.txt" 2>>"$work/probe.log"
selected=$(field "$work/next.txt" selected last)
read -r rate4 n4 span4 first4 last4 <<<"$(rate_of "$work/next.txt")"
echo "figure: next entry: selection on row $selected, $rate4 frames/s, frames $first4..$last4"
check next.selected "$selected == 1" "list selection after the end: row $selected (expected 1)"
check next.plays "$restart_at >= 0 && $restart_at <= 45 && $last4 > $first4 + 15" \
  "next recording starts at frame $restart_at and advances ($first4..$last4)"
sound_next=$(sound_bytes)
sleep 1
sound_next_later=$(sound_bytes)
check sound.next "$sound_next_later > $sound_next" \
  "sound of the next recording: $sound_next bytes, $sound_next_later bytes 1 s later"

# ---- The sound: the recordings' tone, at a level well above silence. The first recording
# played about 6 s at speed 1.0 (sound is paused while paused and at other speeds).

tone() {  # NAME FILE MIN_SECONDS
  local line level frequency loud
  line=$("$probe" sound "$2" 1 22050)
  echo "figure: $1 $line"
  level=$(sed -n 's/.*level=\([0-9.]*\).*/\1/p' <<<"$line")
  frequency=$(sed -n 's/.*frequency_hz=\([0-9.]*\).*/\1/p' <<<"$line")
  loud=$(sed -n 's/.*nonsilent_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
  check "$1" "${loud:-0} >= $3 && ${frequency:-0} >= 900 && ${frequency:-0} <= 1100 && ${level:-0} >= 0.02" \
    "not silent for ${loud:-0} s (at least $3), at ${frequency:-0} Hz, level ${level:-0} of full scale (tone: 1000 Hz)"
}
tone sound.tone.first "$work/sound-first.raw" 3
tone sound.tone.next "$work/sound.raw" 1

kill -0 "$viewer_pid" 2>/dev/null || fail viewer.alive "the viewer ended during the test"
echo "failures: $failures"
[ "$failures" -eq 0 ]
