#!/usr/bin/env bash
# Builds the plug-in and tresselin-render, then renders the built-in demo
# (an 8-second drum loop played through Tresselin with a bass line for key
# tracking) and prints where the result is.
#   bash scripts/demo.sh [OUTPUT.wav]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
out="${1:-out/tresselin-demo.wav}"
mkdir -p "$(dirname "$out")"
build/tools/render/tresselin-render --demo -o "$out"
case "$out" in
  /*) echo "demo: $out" ;;
  *) echo "demo: $(pwd)/$out" ;;
esac
