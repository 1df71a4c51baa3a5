#!/usr/bin/env bash
# The Windows editor in a real Win32 window, under Wine on a private Xvfb:
# a screenshot that must equal the Linux one pixel for pixel, then a click on
# a filter button and two drags of the CutOff slider, made with xdotool and
# reported back by the host as automation.
#   editor-test.sh WINE_RUN PREFIX EDITORHOST.exe PLUGIN.dll REFERENCE.png|"" OUTDIR
set -euo pipefail
run=$1 prefix=$2 hostexe=$3 plugin=$4 reference=$5 out=$6
mkdir -p "$out"
# The display file too: a stale one from the last run could be read before
# the new server's redirection empties it, naming a display that is gone.
rm -f "$out"/editor.png "$out"/diff.png "$out"/host.log "$out"/display

# Xvfb picks a free display itself and names it once it is ready; our test
# programs start their servers one at a time, or two could pick one display.
exec 9>/tmp/.trs-xvfb-start.lock
flock 9
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$out/display" >/dev/null 2>&1 &
xvfb=$!
host=""
cleanup() {
  [ -n "$host" ] && kill "$host" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
until [ -s "$out/display" ]; do
  kill -0 $xvfb 2>/dev/null || { echo "editor-test: Xvfb did not start"; exit 1; }
  sleep 0.1
done
display=:$(head -n1 "$out/display")
flock -u 9
exec 9>&-

fail() { echo "editor-test: $*"; echo "--- host log:"; cat "$out/host.log" || true; exit 1; }

# The prefix's server stays up for a minute after the headless tests, and
# their session's desktop has no display: the host's window could not be
# made there. End it (this test runs alone), so that the host's session
# starts on our display.
WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
WINEPREFIX=$prefix /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
TRS_WINE_DISPLAY=$display "$run" "$prefix" "$hostexe" "$plugin" 3 300 >"$out/host.log" 2>&1 &
host=$!

# Waits for the host's Nth line starting with WORD; prints that line.
await() {
  local word=$1 nth=$2 limit=$3 line
  for _ in $(seq $((limit * 10))); do
    line=$(tr -d '\r' <"$out/host.log" | grep -E "^$word( |$)" | sed -n "${nth}p" || true)
    if [ -n "$line" ]; then echo "$line"; return 0; fi
    grep -q "^error " "$out/host.log" && return 1
    kill -0 "$host" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

if ! ready=$(await ready 1 300); then
  if ! kill -0 "$host" 2>/dev/null; then
    wait "$host" && rc=0 || rc=$?
    host=""
    if [ "$rc" = 77 ]; then cat "$out/host.log"; exit 77; fi
  fi
  fail "the editor did not open"
fi
read -r _ x y <<<"$ready"
echo "editor-test: editor at $x,$y on $display"
await settled 1 300 >/dev/null || fail "the editor did not settle"

export DISPLAY=$display
import -window root -crop 691x371+$x+$y +repage "$out/editor.png"
if [ -n "$reference" ]; then
  [ -f "$reference" ] || fail "no reference screenshot at $reference"
  differing=$(compare -metric AE "$out/editor.png" "$reference" "$out/diff.png" 2>&1 >/dev/null || true)
  echo "editor-test: $differing pixels differ from $reference"
  [ "$differing" = "0" ] || fail "the screenshot differs from the Linux one in $differing pixels"
  rm -f "$out/diff.png"
else
  echo "editor-test: no reference given, screenshot kept at $out/editor.png"
fi

drag() {  # drag X Y0 Y1 STEP
  local px=$1 from=$2 to=$3 step=$4 yy
  xdotool mousemove --sync $((x + px)) $((y + from)) mousedown 1
  for ((yy = from; step > 0 ? yy <= to : yy >= to; yy += step)); do
    xdotool mousemove --sync $((x + px)) $((y + yy))
  done
  xdotool mouseup 1
}

# The middle filter-type button selects high-pass: parameter 7 becomes 0.5.
xdotool mousemove --sync $((x + 277)) $((y + 67)) click 1
g=$(await gesture 1 120) || fail "no gesture from the click"
echo "editor-test: click -> $g"
read -r _ index value count <<<"$g"
[ "$index" = 7 ] && [ "$value" = 0.500000 ] && [ "$count" = 1 ] || fail "click: expected one automation of 7 to 0.5"

# CutOff from the top down 65 pixels: about half way.
drag 282 170 235 5
g=$(await gesture 2 120) || fail "no gesture from the first drag"
echo "editor-test: drag down -> $g"
read -r _ index value count <<<"$g"
[ "$index" = 5 ] && awk -v v="$value" 'BEGIN { exit !(v > 0.49 && v < 0.51) }' || fail "drag: expected CutOff near 0.5"

# And up past the window's top edge: the pointer's y turns negative, which
# must pin the slider at its top rather than wrap round to the bottom.
drag 282 235 -60 -15
g=$(await gesture 3 120) || fail "no gesture from the second drag"
echo "editor-test: drag above the window -> $g"
read -r _ index value count <<<"$g"
[ "$index" = 5 ] && [ "$value" = 1.000000 ] || fail "drag beyond the top: expected CutOff 1.0"

wait "$host" && rc=0 || rc=$?
host=""
[ "$rc" = 0 ] || fail "the host exited with $rc"
grep -q "^display7 HP" "$out/host.log" || fail "parameter 7 does not read HP"
grep -q "^closed" "$out/host.log" || fail "the editor window did not close"
echo "editor-test: passed"
