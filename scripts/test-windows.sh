#!/usr/bin/env bash
# Builds the Windows plug-ins (i686 and x86_64, mingw-w64, build-win32/ and
# build-win64/) and runs their tests under Wine.
#   scripts/test-windows.sh [--native-build DIR]
# DIR (default build/) is the Linux build whose editor screenshot the Windows
# editor must equal pixel for pixel.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
native=build
if [ "${1:-}" = "--native-build" ]; then native=$2; fi

stamp() { date +%s; }
took() { echo "$(( $(stamp) - $1 ))s"; }
summary=()

t=$(stamp)
bash scripts/setup-windows-deps.sh
summary+=("setup-windows-deps: $(took "$t")")

# The Linux screenshots (the editor and the editor at twice the size) come
# from the native editor tests; take them if missing.
reference=$native/artifacts/tresselin_editor.png
reference2=$native/artifacts/tresselin_editor_x2.png
if { [ ! -f "$reference" ] || [ ! -f "$reference2" ]; } && [ -x "$native/tests/editor/trs_plugin_editor_tests" ]; then
  TRESSELIN_SCALE=1 "$native/tests/editor/trs_plugin_editor_tests" --gtest_filter='*OpensAtItsSize*:*TwiceTheSize*' >/dev/null || true
fi
for shot in "$reference" "$reference2"; do
  if [ ! -f "$shot" ]; then
    echo "test-windows: no Linux editor screenshot at $shot; build and test the native tree first" >&2
    exit 1
  fi
done
reference=$(cd "$(dirname "$reference")" && pwd)/$(basename "$reference")
reference2=$(cd "$(dirname "$reference2")" && pwd)/$(basename "$reference2")

cmake --preset win32 -DTRS_OTHER_ARCH_PLUGIN="$root/build-win64/source/effect/Tresselin.dll" \
      -DTRS_EDITOR_REFERENCE="$reference" -DTRS_EDITOR_REFERENCE_2X="$reference2" >/dev/null
cmake --preset win64 -DTRS_OTHER_ARCH_PLUGIN="$root/build-win32/source/effect/Tresselin.dll" \
      -DTRS_EDITOR_REFERENCE="$reference" -DTRS_EDITOR_REFERENCE_2X="$reference2" >/dev/null
for tree in win32 win64; do
  t=$(stamp)
  cmake --build --preset $tree
  summary+=("build $tree: $(took "$t")")
done

failed=0
for tree in win64 win32; do
  t=$(stamp)
  # Test discovery gives each program a few seconds: create the prefix first.
  cmake/toolchains/wine-run.sh "$root/build-$tree/wineprefix" --init
  ctest --preset $tree --timeout 600 || failed=1
  summary+=("tests $tree under Wine: $(took "$t")")
done

# The release zip must hold exactly the DLLs the suites above passed.
t=$(stamp)
if cmake --build "$native" --target dist-windows >/dev/null; then
  unpacked=$(mktemp -d)
  zip=$(readlink -f "$native"/dist/tresselin-*-windows.zip)
  (cd "$unpacked" && cmake -E tar xf "$zip")
  for pair in x86:win32 x64:win64; do
    if ! cmp -s "$unpacked"/*/"${pair%%:*}/Tresselin.dll" "build-${pair##*:}/source/effect/Tresselin.dll"; then
      echo "test-windows: the zip's ${pair%%:*}/Tresselin.dll is not the tested build-${pair##*:} one"
      failed=1
    fi
  done
  rm -rf "$unpacked"
  summary+=("release zip holds the tested DLLs: $(took "$t")")
else
  echo "test-windows: dist-windows failed"
  failed=1
fi

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  summary+=("NOTE: this kernel does not run i386 processes, so Wine cannot run 32-bit programs here;"
            "      build-win32's programs were not run (its PE checks were)")
fi
printf 'test-windows: %s\n' "${summary[@]}"
exit $failed
