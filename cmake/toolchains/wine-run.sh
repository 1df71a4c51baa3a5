#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix of its own:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# Quiet and headless unless DISPLAY is set by the caller; the prefix is
# created on first use, once, even when several tests start together.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${TRS_WINE_DISPLAY:-}" ]; then
  unset DISPLAY
else
  export DISPLAY=$TRS_WINE_DISPLAY
fi

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
flock -u 9
exec wine "$@"
