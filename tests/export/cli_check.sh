#!/bin/sh
# moksel-export on a generated pair: ffprobe reads the video with its two streams and the asked
# duration; the track forms agree; a missing file, a bad range and an unwritable folder fail
# with a message and leave no file.  Usage: cli_check.sh MOKSEL_GEN MOKSEL_EXPORT WORK_FOLDER
set -eu
gen="$1"; export="$2"; work="$3"
rm -rf "$work"; mkdir -p "$work"
"$gen" --out "$work" --frames 90 --size 160x90 --gps fix > /dev/null
front="$work/drf0_20120301_081500.mp4"
fail() { echo "export check: $*" >&2; exit 1; }

"$export" "$front" --from 0.5 --to 2.5 --layout pip --quiet -o "$work/clip.mp4" \
    || fail "export failed"
[ "$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$work/clip.mp4" | sort | tr '\n' ' ')" = "audio video " ] \
    || fail "not one video and one sound stream"
duration=$(ffprobe -v error -select_streams v -show_entries stream=duration -of csv=p=0 "$work/clip.mp4")
[ "$duration" = "2.000000" ] || fail "video lasts $duration s, not 2"
[ -f "$work/clip.json" ] || fail "no record beside the video"

"$export" "$front" --from 1 --to 2 --gpx -o "$work/t.gpx"
"$export" "$front" --from 1 --to 2 --kml -o "$work/t.kml"
"$export" "$front" --from 1 --to 2 --csv -o "$work/t.csv"
[ "$(grep -c '<trkpt' "$work/t.gpx")" -eq 30 ] || fail "GPX has not the 30 points of 1 s"
[ "$(grep -cE '^ +[0-9.-]+,[0-9.-]+,0$' "$work/t.kml")" -eq 30 ] || fail "KML has not 30 points"
[ "$(wc -l < "$work/t.csv")" -eq 31 ] || fail "CSV has not a header and 30 rows"
# The GPS sentences' UTC (the name's 08:15 is Korean time), and frame numbers as the CSV index.
[ "$(grep -m1 -o '<time>[^<]*' "$work/t.gpx")" = "<time>2012-02-29T23:15:01.000Z" ] \
    || fail "GPX times are not the sentences' UTC"
[ "$(sed -n 2p "$work/t.csv" | cut -d, -f2)" = 30 ] || fail "CSV index is not the frame number"

expect_failure() {  # message-pattern, then the command
    pattern="$1"; shift
    if "$@" > "$work/out.txt" 2> "$work/err.txt"; then fail "succeeded: $*"; fi
    grep -qi "$pattern" "$work/err.txt" || fail "no message matching '$pattern' for: $*"
}
expect_failure "no such recording" "$export" "$work/missing.mp4" -o "$work/m.mp4"
expect_failure "after the end" "$export" "$front" --from 5 -o "$work/r.mp4"
expect_failure "later than" "$export" "$front" --from 2 --to 1 -o "$work/r.mp4"
expect_failure "no such folder" "$export" "$front" -o "$work/nowhere/r.mp4"
expect_failure "one of the recordings" "$export" "$front" -o "$front"
mkdir "$work/locked"; chmod 555 "$work/locked"
if [ "$(id -u)" = 0 ]; then locked=/sys; else locked="$work/locked"; fi
expect_failure "cannot write" "$export" "$front" -o "$locked/r.mp4"
[ ! -e "$work/m.mp4" ] && [ ! -e "$work/r.mp4" ] && [ ! -e "$locked/r.mp4" ] || fail "a failed export left a file"
[ -s "$front" ] || fail "the recording was harmed"
echo "export check: passed"
