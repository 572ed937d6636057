#!/usr/bin/env bash
# Runs every test: the Release build's suite (unit, engine, editor, host-level, format, install and
# renderer tests, through ctest), the plug-in formats built with Clang and their unit, engine and
# host tests run (code that only GCC accepts fails here), the threading tests under
# ThreadSanitizer, then the whole suite again with every format built under AddressSanitizer and
# UBSan. Builds what is missing first.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
cmake --preset release
cmake --build --preset release
ctest --preset release

cmake --preset clang
cmake --build --preset clang
ctest --preset clang

cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan

cmake --preset asan
cmake --build --preset asan
ctest --preset asan
