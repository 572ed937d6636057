#!/usr/bin/env bash
# Sets up the machine (packages, JUCE), builds Warble.vst3 with its tools, and renders the demo
# performance through the built plug-in into warble-demo.wav.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/setup.sh
cmake --preset release
cmake --build --preset release
build/release/tools/warble-render "$@"
