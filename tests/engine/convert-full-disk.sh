#!/usr/bin/env bash
# A conversion onto a full disk: the box gains the cause, in the words adding and extracting
# use ("Not enough disk space to write ..."), the archive stays as it was and no temporary
# file is left. Needs a 1 MB tmpfs, which only root may mount; elsewhere it is skipped (77).
# Usage: convert-full-disk.sh <bin folder>   (run with the Wine environment of scripts/common.sh)
set -euo pipefail
BIN=$(cd "${1:?bin folder}" && pwd)
SMALL=$(mktemp -d /tmp/kconvert-full.XXXXXX)
if ! mount -t tmpfs -o size=1m tmpfs "$SMALL" 2>/dev/null; then
  rmdir "$SMALL"
  echo "SKIP: no small disk can be mounted here"
  exit 77
fi
LOG=$(mktemp)
trap 'umount "$SMALL"; rmdir "$SMALL"; rm -f "$LOG"' EXIT
KELVORA_SMALL_DISK="Z:${SMALL//\//\\}\\" wine "$BIN/engine_tests.exe" --gtest_color=no \
  --gtest_filter=ConvertTest.AFullDiskIsTheCauseTheBoxGives </dev/null | tr -d '\r' | tee "$LOG"
grep -q "^\[  PASSED  \] 1 test" "$LOG" && ! grep -q "SKIPPED" "$LOG"
