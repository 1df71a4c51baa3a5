#!/usr/bin/env bash
# Builds the entry-point fuzzer and runs it for a bounded time, seeded from
# fuzz/corpus. New inputs go to a scratch directory, so the kept corpus only
# changes when someone merges into it on purpose:
#   build-fuzz/trs_fuzz_entry -merge=1 fuzz/corpus <scratch dir>
#
#   bash fuzz/run.sh [build dir] [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-fuzz}
seconds=${2:-120}
cxx=${TRS_FUZZ_CXX:-clang++}
cc=${TRS_FUZZ_CC:-clang}
cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_COMPILER="$cc" >/dev/null
cmake --build "$build" -j"${TRS_JOBS:-2}" --target trs_fuzz_entry
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/trs_fuzz_entry" "$scratch" "$here/corpus" -max_total_time="$seconds" -max_len=4096 -len_control=10 \
  -print_final_stats=1 -artifact_prefix="$build/"
