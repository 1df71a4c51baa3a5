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

packages=(
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  googletest
  wine wine32:i386 wine64
  xvfb xdotool x11-utils imagemagick
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup-windows: installing ${missing[*]}"
# Other installs may be running on the same machine: wait for the lock.
apt_opts=(-o DPkg::Lock::Timeout=900)
$sudo apt-get "${apt_opts[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
