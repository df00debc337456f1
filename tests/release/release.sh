#!/usr/bin/env bash
# The release as a Windows user gets it: the release script packs what the build made; the
# zip holds exactly the program's files in one folder and passes unzip and 7z; the
# self-extracting release, run unattended into a new folder, gives a program that starts and
# opens an archive. Run with the Wine environment of scripts/common.sh (CTest has it).
# Usage: release.sh repository-root build-folder
set -euo pipefail
ROOT=$1
export KELVORA_BUILD=$2
WORK=$(mktemp -d /tmp/kelvora-release.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
win() { echo "Z:${1//\//\\}"; }

before=$(git -C "$ROOT" status --porcelain --untracked-files=all 2>/dev/null || true)
KELVORA_NO_BUILD=1 bash "$ROOT/scripts/release.sh" "$WORK/out" >/dev/null
after=$(git -C "$ROOT" status --porcelain --untracked-files=all 2>/dev/null || true)
[ "$before" = "$after" ] || fail "the release script wrote into the source tree"
ZIP=$WORK/out/Kelvora98-3.0.zip
EXE=$WORK/out/Kelvora98-3.0.exe

expected=$(printf '%s\n' Kelvora98/KSFX.BIN Kelvora98/KUNZENG.DLL Kelvora98/KZIPENG.DLL \
  Kelvora98/Kelvora98.exe Kelvora98/Kelvora98.hlp Kelvora98/readme.txt | sort)
listed=$(unzip -Z1 "$ZIP" | sort)
[ "$listed" = "$expected" ] || fail "the zip holds: $listed"
unzip -tq "$ZIP" >/dev/null || fail "unzip -t on the zip"
7z t "$ZIP" >/dev/null || fail "7z t on the zip"
7z t "$EXE" >/dev/null || fail "7z t on the self-extracting release"

# Installed as a user would: run unattended into a new folder.
status=0
wine "$EXE" /s "/d:$(win "$WORK/installed")" >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "the self-extracting release ended with $status"
for f in Kelvora98.exe KZIPENG.DLL KUNZENG.DLL KSFX.BIN Kelvora98.hlp readme.txt; do
  cmp -s "$WORK/installed/Kelvora98/$f" "$KELVORA_BUILD/bin/$f" || fail "$f differs after installing"
done

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
echo "ok: release packed, tested, installed and started"
