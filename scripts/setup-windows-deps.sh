#!/usr/bin/env bash
# Installs what the Windows cross builds and their Wine tests need: the
# mingw-w64 posix compilers, 32- and 64-bit Wine, Xvfb and xdotool for the
# editor test. Adds the i386 architecture only when it is missing and installs
# only missing packages, so a second run costs a few dpkg queries.
set -euo pipefail

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-windows: adding the i386 architecture"
  $sudo dpkg --add-architecture i386
fi

# The rest is the native setup with the Windows packages added to its list.
exec bash "$(dirname "$0")/setup-deps.sh" \
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 \
  wine wine32:i386 wine64 "$@"
