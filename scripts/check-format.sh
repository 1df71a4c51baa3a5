#!/usr/bin/env bash
# Fails when a C++ file of the tree is not as clang-format (with the tree's
# .clang-format) would write it; exits 77 (skipped) without clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed"; exit 77; }
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
