#!/usr/bin/env bash
# Installs into a scratch prefix and packs the release archive, then runs the
# tool from each place: it must find the plug-in that came with it.
#   install_test.sh BUILD_DIR VST_DIR
set -euo pipefail
build="$1"
vstdir="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if [[ "$vstdir" = /* ]]; then
  # A per-user build: stage it rather than write into the real ~/.vst.
  DESTDIR="$scratch/dest" cmake --install "$build" --prefix /usr/local >/dev/null
  [ -f "$scratch/dest$vstdir/Tresselin.so" ] || fail "no Tresselin.so in $vstdir"
  [ -x "$scratch/dest/usr/local/bin/tresselin-render" ] || fail "no bin/tresselin-render"
  echo "install (per user, staged): ok"
  exit 0
fi

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
[ -f "$scratch/prefix/lib/vst/Tresselin.so" ] || fail "no lib/vst/Tresselin.so under the prefix"
[ -x "$scratch/prefix/bin/tresselin-render" ] || fail "no bin/tresselin-render under the prefix"
list="$("$scratch/prefix/bin/tresselin-render" --list)"
grep -q "^plug-in:  $scratch/prefix/lib/vst/Tresselin.so\$" <<<"$list" || fail "installed tool did not use the installed plug-in: $list"
grep -q "^name:     Tresselin\$" <<<"$list" || fail "installed plug-in not listed: $list"

cmake --build "$build" --target dist >/dev/null
archive="$(ls "$build"/dist/tresselin-*.tar.gz)"
contents="$(tar tzf "$archive")"
for f in bin/tresselin-render lib/vst/Tresselin.so README.txt; do
  grep -q "/$f\$" <<<"$contents" || fail "$f missing from $archive"
done
mkdir "$scratch/unpacked"
tar xzf "$archive" -C "$scratch/unpacked"
tool="$(ls "$scratch"/unpacked/*/bin/tresselin-render)"
"$tool" --demo -q -o "$scratch/demo.wav" || fail "the unpacked tool could not render the demo"
[ -s "$scratch/demo.wav" ] || fail "no demo output from the unpacked tool"
echo "install and dist: ok"
