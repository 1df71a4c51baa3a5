#!/usr/bin/env bash
# A long fuzzing campaign outside CI: each harness for a number of executions
# (not seconds, so a busy machine only makes it slower), its coverage at the
# start and at the end, and the new inputs merged back into its corpus.
#
#   bash fuzz/campaign.sh BUILD_DIR RUNS [names...]
# A finding stops that harness; its input is left as BUILD_DIR/NAME-crash-*.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 runs=$2
shift 2
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(dispatch audio events midifile options lv2 editor)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for n in "${names[@]}"; do
  mkdir -p "$scratch/$n"
  rc=0
  "$build/trs_fuzz_$n" "$scratch/$n" "$here/corpus/$n" -runs="$runs" -max_len=4096 -len_control=10 \
    -print_final_stats=1 -artifact_prefix="$build/$n-" >"$build/campaign-$n.log" 2>&1 || rc=$?
  start=$(grep -m1 -o 'INITED cov: [0-9]*' "$build/campaign-$n.log" | grep -o '[0-9]*$' || echo "?")
  end=$(grep -o 'cov: [0-9]*' "$build/campaign-$n.log" | tail -n1 | grep -o '[0-9]*$' || echo "?")
  execs=$(grep -o 'number_of_executed_units: [0-9]*' "$build/campaign-$n.log" | grep -o '[0-9]*$' || echo "?")
  rate=$(grep -o 'average_exec_per_sec: *[0-9]*' "$build/campaign-$n.log" | grep -o '[0-9]*$' || echo "?")
  echo "campaign: $n: $execs executions ($rate/s), coverage $start -> $end, exit $rc"
  [ $rc -eq 0 ] || { tail -n 40 "$build/campaign-$n.log"; continue; }
  "$build/trs_fuzz_$n" -merge=1 "$here/corpus/$n" "$scratch/$n" -max_len=4096 >/dev/null 2>&1
done
