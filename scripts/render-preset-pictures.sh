#!/usr/bin/env bash
# Draws the README's pictures of the factory presets: the built-in demo rendered through each
# preset by warble-render, its spectrogram scaled to 400 x 200 and reduced to 256 colours
# (netpbm), then compressed by optipng, into docs/presets/<name>.png. Needs a Release build,
# and the packages netpbm and optipng.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
render="$root/build/release/tools/warble-render"
out="$root/docs/presets"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$out"
"$render" --list-presets | sed -E 's/  .*//' | while read -r name; do
  slug="$(echo "$name" | tr 'A-Z ' 'a-z-')"
  "$render" --preset "$name" --out "$work/$slug.wav" --spectrogram "$work/$slug.png" >/dev/null
  pngtopnm "$work/$slug.png" | pamscale -xsize 400 -ysize 200 | pnmquant 256 2>/dev/null | pnmtopng > "$out/$slug.png"
  optipng -quiet -o2 "$out/$slug.png"
  echo "$out/$slug.png"
done
