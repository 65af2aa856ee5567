#!/bin/sh
# moksel-repair from the command line: repairs a cut pair using the whole pair beside it.
set -eu
gen=$1 repair=$2 dir=$3
rm -rf "$dir" && mkdir -p "$dir/card"
"$gen" --out "$dir/whole" --frames 60 --size 128x72 --time 080000 > /dev/null
"$gen" --out "$dir/card" --frames 60 --size 128x72 --time 081000 > /dev/null
cp "$dir/whole/drf0_20120301_080000.mp4" "$dir/whole/drf1_20120301_080000.mp4" "$dir/card/"
for f in drf0_20120301_081000.mp4 drf1_20120301_081000.mp4; do
  size=$(wc -c < "$dir/card/$f")
  head -c $((size * 6 / 10)) "$dir/card/$f" > "$dir/card/cut" && mv "$dir/card/cut" "$dir/card/$f"
done
out=$("$repair" "$dir/card/drf0_20120301_081000.mp4")
echo "$out"
echo "$out" | grep -q "drf0_20120301_081000.mp4: [1-9][0-9]* video samples, [1-9][0-9]* sound samples, [0-9.]* s"
echo "$out" | grep -q "drf1_20120301_081000.mp4: [1-9][0-9]* video samples, 0 sound samples"
test -f "$dir/card/REPAIRED/drf0_20120301_081000.mp4"
test -f "$dir/card/REPAIRED/drf1_20120301_081000.mp4"
# A whole recording: nothing to repair, success.
"$repair" "$dir/card/drf0_20120301_080000.mp4" | grep -q "nothing to repair"
# Not a recording: a message and a failure.
echo "not a video" > "$dir/card/drf0_20120301_090000.mp4"
if "$repair" "$dir/card/drf0_20120301_090000.mp4" 2> "$dir/err"; then exit 1; fi
grep -q "not a recording" "$dir/err"
echo "program checks passed"
