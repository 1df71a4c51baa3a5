#!/usr/bin/env bash
# Tresselin in Debian's Ardour 7, headless: the VST scanner indexes the
# built plug-in, ardour7-lua (dummy backend) loads it, sets and automates its
# parameters and exports one WAV per case, and trs-ardour-check compares the
# exports with our host library's renders. A second pass goes through the
# opcode-logging wrapper, to record what Ardour sends, and must export the
# same audio.
#
#   run-ardour-test.sh PLUGIN WRAPPER CHECKER [KEEPDIR]
#
# KEEPDIR receives the logs, the opcode lists and the WAVs. Exits 77 (skip)
# only when Ardour cannot be found or installed.
set -u

plugin=$1 wrapper=$2 checker=$3 keep=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
cases="default filtered dryoff generators automated"
began=$(date +%s)

if ! command -v ardour7-lua >/dev/null 2>&1; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "ardour7-lua is missing: installing Debian's ardour"
        export DEBIAN_FRONTEND=noninteractive
        timeout 600 apt-get install -y --no-install-recommends ardour >/dev/null 2>&1 ||
            { timeout 300 apt-get update >/dev/null 2>&1 &&
              timeout 600 apt-get install -y --no-install-recommends ardour >/dev/null 2>&1; }
    fi
fi
lua=$(command -v ardour7-lua)
scanner=/usr/lib/ardour7/ardour-vst-scanner
if [ -z "$lua" ] || [ ! -x "$scanner" ]; then
    echo "SKIP: Ardour 7 (ardour7-lua and $scanner) is not installed and could not be installed"
    exit 77
fi

tmp=$(mktemp -d /tmp/trs-ardour.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

# Ardour loads only what its scanner cached for that absolute path, and takes
# a library newer than its cache entry for stale: scan a backdated copy.
prepare() {  # label module
    local root=$tmp/$1
    mkdir -p "$root/vst" "$root/work" "$root/home/.config/ardour7/scripts" "$root/home/.config/ardour7/export"
    cp "$2" "$root/vst/"
    touch -d '2020-01-01' "$root/vst/$(basename "$2")"
    cp "$here/trs_testsignal.lua" "$root/home/.config/ardour7/scripts/"
    cp "$here/trs-float-wav.preset" "$root/home/.config/ardour7/export/"
    HOME=$root/home LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 300 "$scanner" -f "$root/vst/$(basename "$2")" \
        >"$root/scan.log" 2>&1
    local rc=$?
    if [ $rc -ne 0 ] || ! grep -q "Found Plugin: .* Tresselin" "$root/scan.log"; then
        echo "FAIL: the VST scanner did not index $(basename "$2") (exit $rc):"
        cat "$root/scan.log"
        return 1
    fi
    echo "PASS: Ardour's VST scanner indexed $(basename "$2") for $1"
}

# Ardour 7.3 sometimes hangs in teardown after a complete export: once the
# completion line is out, give it 15 s to exit and then stop it.
waitfor() {  # pid log case
    local waited=0
    while kill -0 "$1" 2>/dev/null; do
        if grep -q "^TRS-CASE-COMPLETE.$3\$" "$2"; then
            waited=$((waited + 1))
            if [ $waited -gt 30 ]; then
                kill "$1" 2>/dev/null
                echo "note: $3: Ardour did not exit 15 s after completing; stopped it"
            fi
        fi
        sleep 0.5
    done
    wait "$1"
}

# Ardour 7.3 crashes now and then in its export path, with or without our
# plug-in; a case counts when the script printed its completion line and the
# WAV is there, and a case whose process died before that is run again.
runcases() {  # label
    local root=$tmp/$1 c attempt rc
    for c in $cases; do
        for attempt in 1 2 3; do
            rm -rf "$root/work/session-$c" "$root/work/export/$c.wav"
            HOME=$root/home LXVST_PATH=$root/vst TRS_WORK=$root/work TRS_CASE=$c \
                TRS_OPCODELOG_FILE=$root/opcodes-$c.log \
                timeout -k 5 600 "$lua" "$here/session.lua" >"$root/$c.log" 2>&1 &
            waitfor $! "$root/$c.log" "$c"
            rc=$?
            if grep -q "^TRS-CASE-COMPLETE.$c\$" "$root/$c.log" && [ -s "$root/work/export/$c.wav" ]; then
                [ $rc -ne 0 ] && echo "note: $1/$c: Ardour exited with $rc after completing the export"
                break
            fi
            echo "note: $1/$c: attempt $attempt ended (exit $rc) before the export completed:"
            grep -a -v "Ignored format" "$root/$c.log" | tail -n 3
            rm -f "$root/opcodes-$c.log"
            if [ $attempt -eq 3 ]; then
                echo "FAIL: $1/$c: no complete export in three attempts"
                return 1
            fi
        done
    done
    echo "PASS: Ardour exported every case for $1"
}

status=0
prepare direct "$plugin" && runcases direct || status=1

# The wrapper loads a backdated copy of the real plug-in from outside LXVST_PATH.
mkdir -p "$tmp/inner"
cp "$plugin" "$tmp/inner/"
export TRS_OPCODELOG_TARGET=$tmp/inner/$(basename "$plugin")
TRS_OPCODELOG_FILE=$tmp/wrapped/opcodes-scan.log prepare wrapped "$wrapper" && runcases wrapped || status=1
unset TRS_OPCODELOG_TARGET

if [ $status -eq 0 ]; then
    if grep -q "effMainsChanged index=0 value=1" "$tmp/wrapped/opcodes-filtered.log" &&
       grep -q "processReplacing frames=" "$tmp/wrapped/opcodes-filtered.log"; then
        echo "PASS: the wrapper logged Ardour's calls, resume and audio blocks included"
    else
        echo "FAIL: the opcode log lacks resume or audio blocks"
        status=1
    fi
    echo "--- what Ardour sent Tresselin in the 'filtered' case (pid, thread in order of appearance, call):"
    cat "$tmp/wrapped/opcodes-filtered.log"
    echo "---"
    "$checker" "$plugin" "$tmp/direct/work" --same-as "$tmp/wrapped/work" || status=1
fi

if [ -n "$keep" ]; then
    rm -rf "$keep"
    mkdir -p "$keep"
    for label in direct wrapped; do
        [ -d "$tmp/$label" ] || continue
        mkdir -p "$keep/$label"
        cp "$tmp/$label"/*.log "$keep/$label/" 2>/dev/null
        cp -r "$tmp/$label/work/export" "$tmp/$label/work"/*.txt "$keep/$label/" 2>/dev/null
    done
fi
echo "Ardour test took $(( $(date +%s) - began )) s"
exit $status
