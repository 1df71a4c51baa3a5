#!/usr/bin/env bash
# Prints the benchmark table: ns per stereo frame (best of 5 runs over 20 s of
# input, thread CPU time), for Tresselin its multiple of the filter's latency
# floor, the cost in 16-frame blocks against 512-frame ones, and instructions
# per frame (callgrind, over 2 s), for Tresselin and peer plug-ins packaged by
# Debian, measured side by side.
#
#   BENCH_BUILD_DIR=dir  measure an already configured build tree instead of
#                        building build/ (only its bench and plug-in are rebuilt)
#   BENCH_REPS, BENCH_SECONDS  timed runs per case and their length
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh valgrind >&2
build=${BENCH_BUILD_DIR:-build}
if [ "$build" = build ]; then
  bash scripts/build.sh >&2
else
  cmake --build "$build" -j2 --target trs-bench Tresselin >&2
fi

bench=$build/bench/trs-bench
plugins=($build/source/effect/Tresselin.so)
for peer in ZamDynamicEQ-vst.so 3BandEQ-vst.so ZamTube-vst.so ZamComp-vst.so; do
  [ -f "/usr/lib/vst/$peer" ] && plugins+=("/usr/lib/vst/$peer")
done

timing=$(mktemp)
trap 'rm -f "$timing" "$timing".cg' EXIT
"$bench" --reps "${BENCH_REPS:-5}" --seconds "${BENCH_SECONDS:-20}" "${plugins[@]}" > "$timing"

echo "| plug-in | case | ns/frame | x real time | floor ns/frame | x floor | ns/frame in 16-frame blocks | x 512-frame cost | instructions/frame |"
echo "|---|---|---:|---:|---:|---:|---:|---:|---:|"
tail -n +3 "$timing" | while IFS='|' read -r _ name case ns rt floor xfloor short xshort _; do
  name=$(echo $name); case=$(echo $case)
  path=""
  for p in "${plugins[@]}"; do [ "$(basename "$p")" = "$name" ] && path=$p; done
  seconds=2
  valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$timing.cg" \
    "$bench" --instructions --reps 1 --seconds $seconds --case "$case" "$path" >/dev/null 2>&1
  ir=$(awk '/^totals:/ {print $2; exit}' "$timing.cg")
  per=$(awk -v ir="$ir" -v f=$((seconds * 44100)) 'BEGIN { printf "%.0f", ir / f }')
  echo "| $name | $case |$ns|$rt|$floor|$xfloor|$short|$xshort| $per |"
done
echo
echo "Load average while measuring: $(cut -d' ' -f1-3 /proc/loadavg)"
