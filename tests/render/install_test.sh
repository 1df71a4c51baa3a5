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
  [ -f "$scratch/dest${vstdir%/.vst}/.lv2/Tresselin.lv2/manifest.ttl" ] || fail "no Tresselin.lv2 in ~/.lv2"
  [ -x "$scratch/dest/usr/local/bin/tresselin-render" ] || fail "no bin/tresselin-render"
  echo "install (per user, staged): ok"
  exit 0
fi

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
[ -f "$scratch/prefix/lib/vst/Tresselin.so" ] || fail "no lib/vst/Tresselin.so under the prefix"
[ -x "$scratch/prefix/bin/tresselin-render" ] || fail "no bin/tresselin-render under the prefix"
# The installed bundle is whole: lilv finds the plug-in and its UI in it.
if command -v lv2info >/dev/null; then
  info="$(LV2_PATH="$scratch/prefix/lib/lv2" lv2info urn:tresselin:lv2)" || fail "lv2info failed on the installed bundle"
  grep -q "Binary: .*/lib/lv2/Tresselin.lv2/tresselin_ui.so" <<<"$info" ||
    fail "lv2info does not find the installed bundle with its UI"
fi
list="$("$scratch/prefix/bin/tresselin-render" --list)"
grep -q "^plug-in:  $scratch/prefix/lib/vst/Tresselin.so\$" <<<"$list" || fail "installed tool did not use the installed plug-in: $list"
grep -q "^name:     Tresselin\$" <<<"$list" || fail "installed plug-in not listed: $list"

cmake --build "$build" --target dist-linux dist-deb >/dev/null
archive="$(ls "$build"/dist/tresselin-*-linux-x86_64.tar.gz)"
contents="$(tar tzf "$archive")"
for f in bin/tresselin-render lib/vst/Tresselin.so lib/lv2/Tresselin.lv2/manifest.ttl lib/lv2/Tresselin.lv2/tresselin.ttl \
         lib/lv2/Tresselin.lv2/tresselin_dsp.so lib/lv2/Tresselin.lv2/tresselin_ui.so README.txt NOTICES/LICENSE-LiberationSans.txt; do
  grep -q "/$f\$" <<<"$contents" || fail "$f missing from $archive"
done
mkdir "$scratch/unpacked"
tar xzf "$archive" -C "$scratch/unpacked"
tool="$(ls "$scratch"/unpacked/*/bin/tresselin-render)"
"$tool" --demo -q -o "$scratch/demo.wav" || fail "the unpacked tool could not render the demo"
[ -s "$scratch/demo.wav" ] || fail "no demo output from the unpacked tool"
echo "install and dist: ok"

# The Debian package: its files where Debian hosts look, a tool that finds the
# plug-in beside it, the font's licence in the copyright file, and no lintian
# error.
deb="$(ls "$build"/dist/tresselin_*_amd64.deb)"
listing="$(dpkg-deb -c "$deb")"
for f in ./usr/lib/vst/Tresselin.so ./usr/lib/lv2/Tresselin.lv2/tresselin_dsp.so ./usr/lib/lv2/Tresselin.lv2/manifest.ttl \
         ./usr/bin/tresselin-render ./usr/share/man/man1/tresselin-render.1.gz \
         ./usr/share/doc/tresselin/copyright; do
  grep -q " $f\$" <<<"$listing" || fail "$f missing from $deb"
done
# Outputs are read whole before they are searched: grep -q closing a pipe
# early would make pipefail report the writer's SIGPIPE.
depends="$(dpkg-deb -f "$deb" Depends)"
grep -q "libsndfile1" <<<"$depends" || fail "the package does not depend on libsndfile1"
dpkg-deb -x "$deb" "$scratch/deb"
grep -q "SIL OPEN FONT LICENSE" "$scratch/deb/usr/share/doc/tresselin/copyright" || fail "the font's licence is not in the copyright file"
packaged="$("$scratch/deb/usr/bin/tresselin-render" --list)"
grep -q "^plug-in:  $scratch/deb/usr/lib/vst/Tresselin.so\$" <<<"$packaged" ||
  fail "the packaged tool does not find the packaged plug-in"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" 2>&1 | grep -v "running with root privileges" || true
  lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors on $deb"
fi
echo "deb: ok"
