#!/usr/bin/env bash
# One-step preparation of a Debian machine for building Warble:
#   1. installs the build and test packages that are missing (through sudo when not root);
#   2. fetches the JUCE 8.0.6 source into .deps/JUCE (Debian trixie's source package, verified by
#      Debian's archive keyring), unless it is already there. The downloaded package is kept in
#      ~/.cache/warble, so that another clone on this machine unpacks it without downloading;
#   3. applies Warble's changes to JUCE (scripts/patches/juce-*.patch), each once.
# Running it again does nothing once all are in place.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deps_dir="$here/.deps"
juce_dir="$deps_dir/JUCE"
juce_version="8.0.6"
juce_source_version="8.0.6+ds-2"
package_cache="${XDG_CACHE_HOME:-$HOME/.cache}/warble/juce-$juce_source_version"

packages=(
  build-essential cmake ninja-build pkg-config ccache git
  libasound2-dev libfreetype-dev libfontconfig-dev libx11-dev libxext-dev libxrandr-dev
  libxinerama-dev libxcursor-dev libpng-dev libjpeg-dev zlib1g-dev libjack-jackd2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth libxtst-dev xdotool jackd2 lilv-utils lv2-dev liblilv-dev
  dpkg-dev debian-archive-keyring patch
  librsvg2-bin gzip lintian desktop-file-utils appstream man-db
)

fail() { echo "setup: $*" >&2; exit 1; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"
  elif command -v sudo >/dev/null; then sudo "$@"
  else fail "need root or sudo to run: $*"
  fi
}

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    echo "setup: packages present"
    return
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q || fail "apt-get update failed"
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}" \
    || fail "apt-get install failed for: ${missing[*]}"
}

juce_present() {
  [ -f "$juce_dir/CMakeLists.txt" ] && [ -f "$juce_dir/.warble-juce-version" ] \
    && [ "$(cat "$juce_dir/.warble-juce-version")" = "$juce_source_version" ]
}

verify_juce_version() {
  grep -Eq "project\(JUCE VERSION ${juce_version//./\\.}" "$1/CMakeLists.txt" \
    || fail "the unpacked tree in $1 is not JUCE $juce_version"
  [ -d "$1/extras/Build/juceaide" ] || fail "the unpacked tree in $1 lacks extras/Build/juceaide"
  [ -d "$1/modules/juce_audio_processors/format_types/VST3_SDK" ] \
    || fail "the unpacked tree in $1 lacks the VST3 SDK"
}

download_juce_source() {
  local work="$1"
  mkdir -p "$work/lists/partial" "$work/archives/partial"
  # A private apt configuration: the machine's own sources stay untouched.
  cat > "$work/sources.list" <<SOURCES
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main
SOURCES
  local apt_opts=(
    -o "Dir::Etc::SourceList=$work/sources.list"
    -o "Dir::Etc::SourceParts=-"
    -o "Dir::State::Lists=$work/lists"
    -o "Dir::Cache::Archives=$work/archives"
    -o "APT::Sandbox::User=root"
  )
  echo "setup: fetching the JUCE $juce_source_version source from Debian trixie"
  apt-get "${apt_opts[@]}" -q update >"$work/update.log" 2>&1 \
    || { cat "$work/update.log" >&2; fail "could not read Debian trixie's source index"; }
  (cd "$work" && apt-get "${apt_opts[@]}" -q source --download-only "juce=$juce_source_version" >"$work/source.log" 2>&1) \
    || { cat "$work/source.log" >&2; fail "could not download the source package juce=$juce_source_version"; }
  mkdir -p "$package_cache"
  cp "$work"/juce_* "$package_cache"/
}

fetch_juce() {
  if juce_present; then
    echo "setup: JUCE $juce_source_version present in $juce_dir"
    return
  fi
  local work="$deps_dir/juce-fetch"
  rm -rf "$work"
  mkdir -p "$work"
  local dsc="$package_cache/juce_${juce_source_version}.dsc"
  if [ -f "$dsc" ]; then
    echo "setup: unpacking JUCE $juce_source_version from $package_cache"
  else
    download_juce_source "$work"
  fi
  [ -f "$dsc" ] || fail "the download did not produce $dsc"
  dpkg-source --no-copy -x "$dsc" "$work/tree" >"$work/unpack.log" 2>&1 \
    || { cat "$work/unpack.log" >&2; rm -rf "$package_cache"; fail "dpkg-source could not unpack or verify $dsc"; }
  verify_juce_version "$work/tree"
  echo "$juce_source_version" > "$work/tree/.warble-juce-version"
  rm -rf "$juce_dir"
  mv "$work/tree" "$juce_dir"
  rm -rf "$work"
  echo "setup: JUCE $juce_source_version unpacked in $juce_dir"
}

install_packages
mkdir -p "$deps_dir"
fetch_juce
"$here/scripts/apply-juce-patches.sh" "$juce_dir"
