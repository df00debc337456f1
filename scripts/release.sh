#!/usr/bin/env bash
# Builds a release: scripts/release.sh [output-folder]   (default: build64/release)
# Writes, for each flavour, Kelvora98-<version>-<x64|x86>.zip (the program, both engines, the
# self-extractor stub, the engines' header for other callers, the help file and the readme in
# one folder "Kelvora98", packed by our own engine) and Kelvora98-<version>-<x64|x86>.exe (the
# same archive made self-extracting by our own conversion, with that flavour's stub). The
# 64-bit flavour is the product; the 32-bit one is for 32-bit Windows and 32-bit callers of
# the engines. The source tree is left as it is. KELVORA_NO_BUILD=1 packs what is built
# already (the release test uses it).
set -euo pipefail
source "$(dirname "$0")/common.sh"
if [ "${KELVORA_NO_BUILD:-0}" != 1 ]; then
  kelvora_build
  kelvora_build_32bit_flavour
fi
out=$(realpath -m "${1:-$BUILD/release}")
version=$(sed -n 's/.*VALUE "ProductVersion", "\(.*\)".*/\1/p' "$ROOT/app/Kelvora.rc")
[ -n "$version" ] || { echo "release: no ProductVersion in app/Kelvora.rc" >&2; exit 1; }
mkdir -p "$out"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# Under a test run Wine is set up already; on its own the script brings up its own.
if [ -z "${WINEPREFIX:-}" ]; then
  kelvora_wine_env
  trap 'rm -rf "$stage"; kelvora_wine_stop' EXIT
fi
win() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

# The packing runs on the 64-bit build's tool, which makes each self-extractor with the stub
# in the folder it packs.
for flavour in x64 x86; do
  if [ "$flavour" = x64 ]; then from=$BUILD/bin; else from=$KELVORA_BUILD32/bin; fi
  zip=$out/Kelvora98-$version-$flavour.zip
  exe=$out/Kelvora98-$version-$flavour.exe
  rm -f "$zip" "$exe"
  rm -rf "$stage/$flavour"
  mkdir -p "$stage/$flavour/Kelvora98"
  for f in Kelvora98.exe KZIPENG.DLL KUNZENG.DLL KSFX.BIN Kelvora98.hlp readme.txt; do
    cp "$from/$f" "$stage/$flavour/Kelvora98/"
  done
  cp "$ROOT/base/KelvoraEngines.h" "$stage/$flavour/Kelvora98/"
  wine "$BUILD/bin/makerelease.exe" "$(win "$stage/$flavour")" Kelvora98 "$(win "$zip")" \
       "$(win "$exe")"
  [ -s "$zip" ] && [ -s "$exe" ]
  echo "release: $zip $exe"
done
