#!/usr/bin/env bash
# Runs a test program under Wine at another display scale: at-dpi.sh DPI FOLDER PROGRAM ARGS...
# The prefix lives in FOLDER, is made on first use, and has its scale written before its
# server starts (Wine reads it only then).
set -euo pipefail
dpi=$1
export KELVORA_BUILD=$2
shift 2
source "$(dirname "$0")/../../scripts/common.sh"
mkdir -p "$BUILD"
kelvora_wine_env
trap kelvora_wine_stop EXIT
if [ "$(cat "$WINEPREFIX/.kelvora-dpi" 2>/dev/null || true)" != "$dpi" ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  echo "$dpi" >"$WINEPREFIX/.kelvora-dpi"
  wineserver -p 2>/dev/null || true
fi
export KELVORA_EXPECT_DPI=$dpi
kelvora_wine_quiet wine "$@"
