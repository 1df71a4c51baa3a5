#!/usr/bin/env bash
# Builds the Debian package from the built binaries:
#   make-deb.sh VERSION PLUGIN TOOL FONT_LICENSE OUT.deb [LV2_BUNDLE_DIR]
# The dependencies are what the binaries link (dpkg-shlibdeps), the man page
# comes from the tool's own --help, and the binaries are stripped as Debian
# policy asks.
set -euo pipefail
version=$1 plugin=$2 tool=$3 fontlicense=$4 out=$5 bundle=${6:-}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/root
umask 022
mkdir -p "$root/DEBIAN" "$root/usr/lib/vst" "$root/usr/bin" "$root/usr/share/man/man1" \
  "$root/usr/share/doc/tresselin"

install -m 644 "$plugin" "$root/usr/lib/vst/Tresselin.so"
install -m 755 "$tool" "$root/usr/bin/tresselin-render"
strip --remove-section=.comment --remove-section=.note --strip-unneeded "$root/usr/lib/vst/Tresselin.so"
strip --remove-section=.comment --remove-section=.note "$root/usr/bin/tresselin-render"
if [ -n "$bundle" ]; then
  mkdir -p "$root/usr/lib/lv2"
  cp -r "$bundle" "$root/usr/lib/lv2/"
  find "$root/usr/lib/lv2" -type f -name '*.so' -exec chmod 644 {} + \
    -exec strip --remove-section=.comment --remove-section=.note --strip-unneeded {} +
fi

# The tool finds its plug-in beside itself in ../lib/vst, as installed here.
help2man --no-info --no-discard-stderr --version-string="$version" \
  --name="render audio files through a VST 2.4 plug-in" \
  "$root/usr/bin/tresselin-render" >"$stage/tresselin-render.1"
gzip -9n <"$stage/tresselin-render.1" >"$root/usr/share/man/man1/tresselin-render.1.gz"

{
  cat <<EOF
Tresselin, an audio effect plug-in, and tresselin-render.

Copyright 2026 the Tresselin developers.

The plug-in's editor draws text from a glyph table baked from the Liberation
Sans font; the font's copyright and licence follow.

EOF
  cat "$fontlicense"
} >"$root/usr/share/doc/tresselin/copyright"
chmod 644 "$root/usr/share/doc/tresselin/copyright"
printf 'tresselin (%s) unstable; urgency=medium\n\n  * Release %s.\n\n -- Tresselin developers <dev@tresselin.invalid>  %s\n' \
  "$version" "$version" "$(date -R -d @"${SOURCE_DATE_EPOCH:-$(date +%s)}")" |
  gzip -9n >"$root/usr/share/doc/tresselin/changelog.gz"

mkdir -p "$stage/debian"
printf 'Source: tresselin\n\nPackage: tresselin\nArchitecture: amd64\n' >"$stage/debian/control"
bins=(-e"root/usr/lib/vst/Tresselin.so" -e"root/usr/bin/tresselin-render")
if [ -n "$bundle" ]; then
  while IFS= read -r so; do bins+=(-e"${so#"$stage"/}"); done < <(find "$root/usr/lib/lv2" -name '*.so')
fi
depends=$(cd "$stage" && dpkg-shlibdeps -O "${bins[@]}" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "make-deb: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
cat >"$root/DEBIAN/control" <<EOF
Package: tresselin
Version: $version
Architecture: amd64
Maintainer: Tresselin developers <dev@tresselin.invalid>
Installed-Size: $size
Depends: $depends
Section: sound
Priority: optional
Description: audio effect plug-in turning loudness into synthesis
 Tresselin is a VST 2.4 audio effect plug-in. Two envelope followers listen
 to a stereo input and drive a blended wavetable oscillator, a noise
 generator and a pair of resonant four-pole filters; MIDI notes pull pitch
 and cutoff toward the last note played.
 .
 This package holds the plug-in for Linux hosts that load VST plug-ins from
 /usr/lib/vst, the same plug-in for LV2 hosts in /usr/lib/lv2, and
 tresselin-render, which renders audio files through any
 VST 2.4 plug-in from the command line.
EOF
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -type d -exec chmod 755 {} +

mkdir -p "$(dirname "$out")"
dpkg-deb --root-owner-group -Zxz --build "$root" "$out.part" >/dev/null
mv -f "$out.part" "$out"
echo "dist: $out"
