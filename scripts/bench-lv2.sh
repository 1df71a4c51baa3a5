#!/usr/bin/env bash
# Times the LV2 edition with lilv's lv2bench beside Debian's LV2 peers, in one
# run over one LV2_PATH: Zam's plug-ins and Ardour's own. Prints lv2bench's
# lines (seconds for the whole run, and what it skipped and why) and ns per
# frame. lv2bench offers no options feature, and DPF-built plug-ins (every
# Zam one) require it: lv2bench says so and skips them. trs-lv2-bench, which
# offers it, then times Tresselin and the Zam peers in one run (best of 5 over
# 20 s of trs-bench's input).
#
#   BENCH_BUILD_DIR=dir  an already built tree instead of build/
#   BENCH_FRAMES, BENCH_BLOCK  frames per plug-in (20 s at 44.1 kHz) and block size
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh >&2
build=${BENCH_BUILD_DIR:-build}
if [ "$build" = build ]; then bash scripts/build.sh >&2; fi
frames=${BENCH_FRAMES:-882000}
block=${BENCH_BLOCK:-512}

path=$(mktemp -d)
trap 'rm -rf "$path"' EXIT
ln -s "$(cd "$build/lv2/Tresselin.lv2" && pwd)" "$path/"
for peer in ZamDynamicEQ ZamTube ZamComp a-comp a-exp a-reverb; do
  [ -d "/usr/lib/lv2/$peer.lv2" ] && ln -s "/usr/lib/lv2/$peer.lv2" "$path/"
done
echo "lv2bench -b $block -n $frames:"
LV2_PATH=$path lv2bench -b "$block" -n "$frames" 2>&1 | while read -r first rest; do
  if [[ $first =~ ^[0-9.]+$ ]]; then
    awk -v s="$first" -v n="$frames" -v u="$rest" 'BEGIN { printf "%-28s %10.6f s %8.1f ns/frame\n", u, s, s * 1e9 / n }'
  else
    echo "$first $rest"
  fi
done
echo
echo "trs-lv2-bench (best of ${BENCH_REPS:-5}, 512-frame blocks):"
uris=(urn:tresselin:lv2)
for peer in ZamDynamicEQ ZamTube ZamComp; do [ -d "$path/$peer.lv2" ] && uris+=("urn:zamaudio:$peer"); done
cmake --build "$build" --target trs-lv2-bench >&2
LV2_PATH=$path "$build/bench/trs-lv2-bench" --reps "${BENCH_REPS:-5}" "${uris[@]}"
echo "Load average while measuring: $(cut -d' ' -f1-3 /proc/loadavg)"
