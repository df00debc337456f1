#!/usr/bin/env bash
# The release as a Windows user gets it: the release script packs what both builds made; each
# flavour's zip holds exactly the program's files in one folder, of that flavour's machine and
# importing only system DLLs, and passes unzip and 7z; each self-extractor is its own stub and
# the zip, its offsets right; the 64-bit self-extracting release, run unattended into a new
# folder, gives a program that starts and opens an archive. Run with the Wine environment of
# scripts/common.sh (CTest has it).
# Usage: release.sh repository-root build-folder 32-bit-build-folder
set -euo pipefail
ROOT=$1
export KELVORA_BUILD=$2
export KELVORA_BUILD32=$3
[ -f "$KELVORA_BUILD32/bin/Kelvora98.exe" ] ||
  { echo "FAIL: no 32-bit build in $KELVORA_BUILD32 (scripts/test.sh builds it)"; exit 1; }
WORK=$(mktemp -d /tmp/kelvora-release.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
win() { echo "Z:${1//\//\\}"; }

before=$(git -C "$ROOT" status --porcelain --untracked-files=all 2>/dev/null || true)
KELVORA_NO_BUILD=1 bash "$ROOT/scripts/release.sh" "$WORK/out" >/dev/null
after=$(git -C "$ROOT" status --porcelain --untracked-files=all 2>/dev/null || true)
[ "$before" = "$after" ] || fail "the release script wrote into the source tree"
version=$(sed -n 's/.*VALUE "ProductVersion", "\(.*\)".*/\1/p' "$ROOT/app/Kelvora.rc")
for flavour in x64 x86; do
  zip=$WORK/out/Kelvora98-$version-$flavour.zip
  exe=$WORK/out/Kelvora98-$version-$flavour.exe
  python3 "$ROOT/tests/release/check_release.py" "$zip" "$exe" "$flavour" ||
    fail "the $flavour release does not hold up"
  unzip -tq "$zip" >/dev/null || fail "unzip -t on the $flavour zip"
  7z t "$zip" >/dev/null || fail "7z t on the $flavour zip"
  7z t "$exe" >/dev/null || fail "7z t on the $flavour self-extracting release"
done
ZIP=$WORK/out/Kelvora98-$version-x64.zip
EXE=$WORK/out/Kelvora98-$version-x64.exe

# Installed as a user would: run unattended into a new folder.
status=0
wine "$EXE" /s "/d:$(win "$WORK/installed")" >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "the self-extracting release ended with $status"
for f in Kelvora98.exe KZIPENG.DLL KUNZENG.DLL KSFX.BIN Kelvora98.hlp readme.txt; do
  cmp -s "$WORK/installed/Kelvora98/$f" "$KELVORA_BUILD/bin/$f" || fail "$f differs after installing"
done
cmp -s "$WORK/installed/Kelvora98/KelvoraEngines.h" "$ROOT/base/KelvoraEngines.h" ||
  fail "KelvoraEngines.h differs after installing"

# The installed program starts and opens an archive (the release zip itself).
cp "$ZIP" "$WORK/sample.zip"
wine "$WORK/installed/Kelvora98/Kelvora98.exe" "$(win "$WORK/sample.zip")" >/dev/null 2>&1 &
program=$!
shown=0
for _ in $(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Kelvora 98 - sample.zip"'; then shown=1; break; fi
  sleep 0.2
done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
[ "$shown" = 1 ] || fail "the installed program did not show sample.zip"
echo "ok: both flavours packed and checked; the 64-bit one installed and started"
