#!/bin/sh
# Generates a recording, exports its track with moksel-telemetry --gpx and checks the document
# with xmllint: well-formed, the GPX 1.1 root, and every point with a position in range and an
# ISO 8601 UTC time. (No GPX schema file is available offline, so the structure is checked by
# XPath.)  Usage: gpx_check.sh MOKSEL_GEN MOKSEL_TELEMETRY WORK_FOLDER
set -eu
gen="$1"; telemetry="$2"; work="$3"
rm -rf "$work"; mkdir -p "$work"
"$gen" --out "$work" --frames 90 --size 64x36 --rear missing --no-sound --gps mixed \
    --date 20231231 --time 235959 > /dev/null
front="$work/drf0_20231231_235959.mp4"
"$telemetry" --gpx "$front" > "$work/track.gpx"
"$telemetry" "$front" > "$work/track.csv"

fail() { echo "gpx check: $*" >&2; exit 1; }
xmllint --noout "$work/track.gpx" || fail "not well-formed XML"
xpath() { xmllint --xpath "$1" "$work/track.gpx"; }
pt="/*[local-name()='gpx']/*[local-name()='trk']/*[local-name()='trkseg']/*[local-name()='trkpt']"
[ "$(xpath "namespace-uri(/*)")" = "http://www.topografix.com/GPX/1/1" ] || fail "namespace"
[ "$(xpath "local-name(/*)")" = "gpx" ] || fail "root element"
[ "$(xpath "string(/*/@version)")" = "1.1" ] || fail "version"
[ "$(xpath "string(/*/@creator)")" = "MOKSEL VIEWER" ] || fail "creator"
points=$(xpath "count($pt)")
[ "$points" -gt 0 ] || fail "no track points"
[ "$(xpath "count($pt[not(@lat) or not(@lon) or @lat > 90 or @lat < -90 or @lon < -180 or @lon >= 180])")" = 0 ] \
    || fail "point without a position in range"
[ "$(xpath "count($pt[count(*) != 1 or not(*[local-name()='time'])])")" = 0 ] || fail "point without its time"
[ "$(xpath "count(//*[local-name()='trkseg'][not(parent::*[local-name()='trk'])])")" = 0 ] || fail "trkseg outside trk"
# Times: ISO 8601 UTC; the first frame with a fix lies after the name's start, across midnight.
xpath "$pt/*[local-name()='time']/text()" | tr '<' '\n' | grep -v '^$' > "$work/times.txt" || true
bad=$(grep -cvE '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}Z$' "$work/times.txt" || true)
[ "$bad" = 0 ] || fail "$bad times not in ISO 8601 UTC form"
grep -q '^2024-01-01T00:00:0' "$work/times.txt" || fail "frame times not added to the name's start"
# One point per CSV record with a position.
fixes=$(awk -F, 'NR > 1 && !($6 == 0 && $7 == 0)' "$work/track.csv" | wc -l)
[ "$fixes" -eq "$points" ] || fail "$points points but $fixes records with a position"
# A missing file is reported and makes the exit status non-zero; the good file is still printed.
if "$telemetry" "$work/missing.mp4" "$front" > "$work/mixed.csv" 2> "$work/mixed.err"; then
    fail "a missing file did not fail"
fi
grep -q "missing.mp4" "$work/mixed.err" || fail "no message for the missing file"
cmp -s "$work/mixed.csv" "$work/track.csv" || fail "the good file was not printed in full"
# A copy tool's layout with reordered frames: every frame's record, times rising frame by frame.
"$gen" --out "$work/other" --frames 60 --size 64x36 --rear missing --bframes 3 --keyint 250 \
    --faststart --extra-box uuid > /dev/null
"$telemetry" "$work/other/drf0_20120301_081500.mp4" > "$work/other.csv" || fail "no telemetry found in another layout"
[ "$(awk -F, 'NR > 1' "$work/other.csv" | wc -l)" = 60 ] || fail "not one record per frame"
awk -F, 'NR > 2 && $2 <= last { exit 1 } NR > 1 { last = $2 }' "$work/other.csv" || fail "record times do not rise"
# An empty file says so.
: > "$work/empty.mp4"
"$telemetry" "$work/empty.mp4" 2> "$work/empty.err" > /dev/null && fail "an empty file did not fail"
grep -q "empty" "$work/empty.err" || fail "the empty file is not reported as empty"
echo "gpx check: $points points"
