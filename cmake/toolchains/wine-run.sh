#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix of its own:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
#   wine-run.sh PREFIX --init      only create the prefix and start its server
# Quiet and headless unless TRS_WINE_DISPLAY names an X display; the prefix
# is created on first use, once, even when several tests start together.
#
# 32-bit programs need Wine's 32-bit loader, an i386 Linux process. Where the
# kernel refuses those, they cannot run at all: we say so and exit 77 (the
# tests' skip code), and a test listing answers with no tests.
set -euo pipefail
prefix=$1
program=$2
shift

pe_magic() {
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((at + 24)) -N2 "$1" | tr -d ' '
}

# Debian's /usr/bin/wine always starts the 32-bit loader first; we pick the
# loader that fits the program.
if [ "$program" = "--init" ]; then
  loader=/usr/lib/wine/wine64
elif [ "$(pe_magic "$program")" = "020b" ]; then
  loader=/usr/lib/wine/wine64
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
  loader=/usr/lib/wine/wine
else
  echo "wine-run: cannot run 32-bit programs here: this kernel does not execute i386 processes," \
       "which Wine's 32-bit loader is ($(basename "$program") not run)" >&2
  for arg in "$@"; do
    [ "$arg" = "--gtest_list_tests" ] && exit 0
  done
  exit 77
fi

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINELOADER=$loader
if [ -z "${TRS_WINE_DISPLAY:-}" ]; then
  unset DISPLAY
else
  export DISPLAY=$TRS_WINE_DISPLAY
fi

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
  # A 64-bit prefix, which also serves 32-bit programs where they can run.
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w
fi
# Keep the server up between programs: test discovery allows each listing
# only a few seconds, less than a cold start takes on a busy machine.
/usr/lib/wine/wineserver -p60 >/dev/null 2>&1 || true
flock -u 9
exec 9>&-
if [ "$program" = "--init" ]; then
  # Starts the session's background programs, which a first program would
  # otherwise wait for.
  "$loader" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
  exit 0
fi
exec "$loader" "$@"
