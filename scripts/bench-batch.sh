#!/usr/bin/env bash
# Times a batch of 8 files rendered one at a time (-j 1) and two at a time
# (-j 2) with hyperfine, and prints the load average before and after: the
# machine may be shared, and the ratio means little under heavy load.
#   bash scripts/bench-batch.sh [SECONDS_PER_FILE] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
seconds="${1:-60}"
runs="${2:-10}"
tool="build/tools/render/tresselin-render"
[ -x "$tool" ] || { echo "build the tool first (scripts/build.sh)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 - "$work" "$seconds" <<'PY'
import math, struct, sys, wave
work, seconds = sys.argv[1], float(sys.argv[2])
rate = 44100
for k in range(8):
    # One second (whole periods of 110 Hz multiples), repeated.
    second = bytearray()
    for i in range(rate):
        v = int(12000 * math.sin(2 * math.pi * 110.0 * (k + 1) * i / rate) * (0.3 + 0.7 * ((i // 11025) % 2)))
        second += struct.pack('<hh', v, -v)
    with wave.open(f"{work}/in{k}.wav", "wb") as w:
        w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
        w.writeframes(bytes(second) * int(seconds))
PY
echo "8 files of ${seconds} s; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine --warmup 1 --runs "$runs" --export-markdown "$work/times.md" \
  -n "one at a time (-j 1)" "$tool $work/in*.wav -o $work/out1/ -j 1 -q --set OSC.Amt=0.8 --set Noise.Amt=0.4" \
  -n "two at a time (-j 2)" "$tool $work/in*.wav -o $work/out2/ -j 2 -q --set OSC.Amt=0.8 --set Noise.Amt=0.4"
cat "$work/times.md"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
