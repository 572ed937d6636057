#!/usr/bin/env bash
# Applies Warble's changes to a JUCE 8.0.6 source tree (scripts/patches/juce-*.patch), once:
# a patch already in the tree is left alone, one that applies cleanly is applied, and one that
# does neither (a different JUCE, or a tree edited by hand) stops with an error.
#   scripts/apply-juce-patches.sh [JUCE_DIR]      (default: .deps/JUCE)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
juce_dir="${1:-$here/.deps/JUCE}"

fail() { echo "apply-juce-patches: $*" >&2; exit 1; }

[ -f "$juce_dir/CMakeLists.txt" ] || fail "no JUCE source tree at $juce_dir"
command -v patch >/dev/null || fail "the 'patch' program is missing (Debian package patch)"

for p in "$here"/scripts/patches/juce-*.patch; do
  name="$(basename "$p")"
  if patch -d "$juce_dir" -p1 --dry-run --reverse --force --silent -i "$p" >/dev/null 2>&1; then
    echo "apply-juce-patches: $name already applied"
  elif patch -d "$juce_dir" -p1 --dry-run --forward --silent -i "$p" >/dev/null 2>&1; then
    patch -d "$juce_dir" -p1 --forward --silent --no-backup-if-mismatch -i "$p" \
      || fail "$name failed to apply to $juce_dir"
    echo "apply-juce-patches: applied $name"
  else
    fail "$name neither applies to nor is already in $juce_dir (not JUCE 8.0.6 as Warble expects?)"
  fi
done
