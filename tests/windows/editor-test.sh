#!/usr/bin/env bash
# The Windows editor in a real Win32 window, under Wine on a private Xvfb,
# once at the system's 96 dpi and once at 192 dpi (the editor at twice the
# size). Each time: a screenshot that must equal the Linux one of that size
# pixel for pixel, then a click on a filter button and two drags of the
# CutOff slider, made with xdotool and reported back by the host as
# automation; both sizes must report the same gestures with the same values.
#   editor-test.sh WINE_RUN PREFIX EDITORHOST.exe PLUGIN.dll REFERENCE.png|"" REFERENCE-2X.png|"" OUTDIR
set -euo pipefail
run=$1 prefix=$2 hostexe=$3 plugin=$4 reference=$5 reference2=$6 out=$7
mkdir -p "$out"
# The display file too: a stale one from the last run could be read before
# the new server's redirection empties it, naming a display that is gone.
rm -f "$out"/editor*.png "$out"/diff*.png "$out"/host*.log "$out"/display

# Xvfb picks a free display itself and names it once it is ready; our test
# programs start their servers one at a time, or two could pick one display.
exec 9>/tmp/.trs-xvfb-start.lock
flock 9
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$out/display" >/dev/null 2>&1 &
xvfb=$!
host=""
setdpi() {  # the system DPI Wine gives DPI-aware programs
  local reg=$prefix/drive_c/windows/system32/reg.exe key
  for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    "$run" "$prefix" "$reg" add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  done
}
# Wine's desktop learns the screen's size when its session starts, and the
# session other tests left running started without a display (a 1024 x 768
# screen, too small for the editor at twice the size): end it, so that the
# host starts one on our display, and end ours when done.
endsession() {
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
}
cleanup() {
  [ -n "$host" ] && kill "$host" 2>/dev/null || true
  endsession
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  setdpi 96 || true
}
trap cleanup EXIT
until [ -s "$out/display" ]; do
  kill -0 $xvfb 2>/dev/null || { echo "editor-test: Xvfb did not start"; exit 1; }
  sleep 0.1
done
display=:$(head -n1 "$out/display")
flock -u 9
exec 9>&-
export DISPLAY=$display
# The scale must come from the system DPI here, not from the caller's setting.
unset TRESSELIN_SCALE

log=""
fail() { echo "editor-test: $*"; echo "--- host log:"; cat "$log" || true; exit 1; }

# Waits for the host's Nth line starting with WORD; prints that line.
await() {
  local word=$1 nth=$2 limit=$3 line
  for _ in $(seq $((limit * 10))); do
    line=$(tr -d '\r' <"$log" | grep "^$word\( \|$\)" | sed -n "${nth}p" || true)
    if [ -n "$line" ]; then echo "$line"; return 0; fi
    grep -q "^error " "$log" && return 1
    kill -0 "$host" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# The fifteen displays' text boxes at scale S, as ImageMagick rectangles.
textboxes() {
  local s=$1 left
  for left in 33 68 103 166 201 264 299 358 393 428 463 498 533 591 626; do
    printf 'rectangle %d,%d %d,%d ' $(((left + 1) * s)) $((327 * s)) $(((left + 29) * s - 1)) $((339 * s - 1))
  done
}

# session SCALE DPI REFERENCE: runs the host once; leaves its screenshot in
# $out/editor-xSCALE.png and its gestures in $out/gestures-xSCALE.
session() {
  local s=$1 dpi=$2 ref=$3 x y w h g index value count
  setdpi "$dpi" || fail "could not set the system DPI to $dpi"
  endsession
  log=$out/host-x$s.log
  TRS_WINE_DISPLAY=$display "$run" "$prefix" "$hostexe" "$plugin" 3 300 >"$log" 2>&1 &
  host=$!
  local ready
  if ! ready=$(await ready 1 300); then
    if ! kill -0 "$host" 2>/dev/null; then
      local rc
      wait "$host" && rc=0 || rc=$?
      host=""
      if [ "$rc" = 77 ]; then cat "$log"; exit 77; fi
    fi
    fail "the editor did not open"
  fi
  read -r _ x y w h <<<"$ready"
  echo "editor-test: $dpi dpi: a ${w}x$h editor at $x,$y on $display"
  [ "$w" = $((691 * s)) ] && [ "$h" = $((371 * s)) ] || fail "at $dpi dpi the editor should be $((691 * s))x$((371 * s))"
  await settled 1 300 >/dev/null || fail "the editor did not settle"

  local shot=$out/editor-x$s.png
  import -window root -crop "${w}x$h+$x+$y" +repage "$shot"
  if [ -n "$ref" ]; then
    [ -f "$ref" ] || fail "no reference screenshot at $ref"
    local differing
    differing=$(compare -metric AE "$shot" "$ref" "$out/diff-x$s.png" 2>&1 >/dev/null || true)
    echo "editor-test: $differing pixels differ from $ref"
    [ "$differing" = "0" ] || fail "the screenshot differs from the Linux one in $differing pixels"
    rm -f "$out/diff-x$s.png"
  else
    echo "editor-test: no reference given, screenshot kept at $shot"
  fi

  drag() {  # drag X Y0 Y1 STEP, in layout pixels
    local px=$1 from=$2 to=$3 step=$4 yy
    xdotool mousemove --sync $((x + px * s)) $((y + from * s)) mousedown 1
    for ((yy = from; step > 0 ? yy <= to : yy >= to; yy += step)); do
      xdotool mousemove --sync $((x + px * s)) $((y + yy * s))
    done
    xdotool mouseup 1
  }

  # The middle filter-type button selects high-pass: parameter 7 becomes 0.5.
  xdotool mousemove --sync $((x + 277 * s)) $((y + 67 * s)) click 1
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

  local rc
  wait "$host" && rc=0 || rc=$?
  host=""
  [ "$rc" = 0 ] || fail "the host exited with $rc"
  grep -q "^display7 HP" "$log" || fail "parameter 7 does not read HP"
  grep -q "^closed" "$log" || fail "the editor window did not close"
  tr -d '\r' <"$log" | grep "^gesture" | cut -d' ' -f1-3 >"$out/gestures-x$s"
  # Windows merges mouse moves that arrive faster than the host takes them,
  # so how many steps a drag reports depends on the machine; where each
  # lands does not: every 5 layout pixels of the 130-pixel travel are 1/26.
  tr -d '\r' <"$log" | grep "^automation" | tr ' ' '\n' | grep "^5:" | cut -d: -f2 |
    awk '{ k = $1 * 26; if (k - int(k + 0.5) > 0.001 || int(k + 0.5) - k > 0.001) { print; bad = 1 } } END { exit bad }' ||
    fail "at scale $s a CutOff drag automated values off its 5-pixel steps"
}

session 1 96 "$reference"
session 2 192 "$reference2"

# At twice the size: the same gestures ending at the same values, and
# outside the display texts (drawn from the font baked at twice the size)
# the small picture doubled.
cmp -s "$out/gestures-x1" "$out/gestures-x2" ||
  fail "the two sizes automate differently: $(diff "$out/gestures-x1" "$out/gestures-x2")"
convert "$out/editor-x1.png" -sample 200% -fill black -draw "$(textboxes 2)" "$out/doubled-x1.png"
convert "$out/editor-x2.png" -fill black -draw "$(textboxes 2)" "$out/masked-x2.png"
differing=$(compare -metric AE "$out/doubled-x1.png" "$out/masked-x2.png" "$out/diff-doubled.png" 2>&1 >/dev/null || true)
echo "editor-test: $differing pixels outside the texts differ from the 1x screenshot doubled"
[ "$differing" = "0" ] || fail "the 2x screenshot is not the 1x one doubled outside the texts ($differing pixels)"
rm -f "$out/doubled-x1.png" "$out/masked-x2.png" "$out/diff-doubled.png"
echo "editor-test: passed"
