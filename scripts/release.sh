#!/usr/bin/env bash
# Builds a release: scripts/release.sh [output-folder]   (default: build/release)
# Writes Kelvora98-3.0.zip (the program, both engines, the self-extractor stub, the help file
# and the readme in one folder "Kelvora98", packed by our own engine) and Kelvora98-3.0.exe
# (the same archive made self-extracting by our own conversion). The source tree is left as
# it is. KELVORA_NO_BUILD=1 packs what is built already (the release test uses it).
set -euo pipefail
source "$(dirname "$0")/common.sh"
[ "${KELVORA_NO_BUILD:-0}" = 1 ] || kelvora_build
out=$(realpath -m "${1:-$BUILD/release}")
mkdir -p "$out"
rm -f "$out/Kelvora98-3.0.zip" "$out/Kelvora98-3.0.exe"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/Kelvora98"
for f in Kelvora98.exe KZIPENG.DLL KUNZENG.DLL KSFX.BIN Kelvora98.hlp readme.txt; do
  cp "$BUILD/bin/$f" "$stage/Kelvora98/"
done

# Under a test run Wine is set up already; on its own the script brings up its own.
if [ -z "${WINEPREFIX:-}" ]; then
  kelvora_wine_env
  trap 'rm -rf "$stage"; kelvora_wine_stop' EXIT
fi
win() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
wine "$BUILD/bin/makerelease.exe" "$(win "$stage")" Kelvora98 \
     "$(win "$out/Kelvora98-3.0.zip")" "$(win "$out/Kelvora98-3.0.exe")"
[ -s "$out/Kelvora98-3.0.zip" ] && [ -s "$out/Kelvora98-3.0.exe" ]
echo "release: $out/Kelvora98-3.0.zip $out/Kelvora98-3.0.exe"
