#!/usr/bin/env bash
# Builds the fuzzers and runs each for its share of a bounded time, seeded
# from its corpus in fuzz/corpus/NAME. New inputs go to a scratch directory,
# so a kept corpus only changes when someone merges into it on purpose:
#   build-fuzz/trs_fuzz_NAME -merge=1 fuzz/corpus/NAME <scratch dir>
#
#   bash fuzz/run.sh [build dir] [seconds in all] [names...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-fuzz}
seconds=${2:-120}
shift $(( $# < 2 ? $# : 2 ))
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(dispatch audio events editor midifile options lv2)
cxx=${TRS_FUZZ_CXX:-clang++}
cc=${TRS_FUZZ_CC:-clang}
cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_COMPILER="$cc" >/dev/null
targets=()
for n in "${names[@]}"; do targets+=("trs_fuzz_$n"); done
cmake --build "$build" -j"${TRS_JOBS:-2}" --target "${targets[@]}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
each=$(( seconds / ${#names[@]} ))
[ "$each" -gt 0 ] || each=1
status=0
for n in "${names[@]}"; do
  mkdir -p "$scratch/$n" "$here/corpus/$n"
  echo "fuzz: $n for ${each} s"
  rc=0
  "$build/trs_fuzz_$n" "$scratch/$n" "$here/corpus/$n" -max_total_time="$each" -max_len=4096 -len_control=10 \
    -print_final_stats=1 -artifact_prefix="$build/$n-" >"$scratch/$n.log" 2>&1 || rc=$?
  if [ $rc -ne 0 ]; then
    tail -n 60 "$scratch/$n.log"
    echo "fuzz: $n found a fault (exit $rc); the input is in $build/$n-*"
    status=1
  else
    grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec|cov: .*DONE" "$scratch/$n.log" || true
  fi
done
exit $status
