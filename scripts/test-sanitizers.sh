#!/usr/bin/env bash
# Builds the whole tree with AddressSanitizer and UndefinedBehaviorSanitizer
# (any finding is fatal) into build-asan/ and runs the test suite there.
# The Xvfb, Ardour and Windows suites are left out: they run foreign
# processes (an X server, Ardour, Wine) that do not carry the sanitizer
# runtime (trs_plugin_editor_tests needs Xvfb too). Leaks are counted by
# LeakSanitizer, so the create/close cycle test runs without Valgrind here.
# lilv's tools (Lv2Tools) are foreign processes too: they cannot load a
# sanitized plug-in. The two checks against the stored golden renders are
# left out as well:
# sanitized code renders the "busy" case differently, with or without this
# tree's robustness changes; bit-exactness is the plain build's job.
#
#   bash scripts/test-sanitizers.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${TRS_ASAN_DIR:-build-asan}
jobs=${TRS_JOBS:-2}
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$dir" -j"$jobs"
# The modules are linked against the sanitizer runtime too (the linker flags
# above), so their --no-undefined link finds its symbols.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$dir" --output-on-failure -j"$jobs" -L quick \
  -E 'trs_plugin_editor_tests|Xvfb|xvfb|Ardour|ardour|HostOrder|hostorder|Windows|windows|Wine|wine|Robustness\.Fuzz|Robustness\.Sanitizers|Lv2Tools' "$@"
