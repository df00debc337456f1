#!/usr/bin/env bash
# Builds the zip reader's fuzz target natively (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into $KELVORA_BUILD/fuzz and runs it for N seconds (default 60).
# New inputs go to the build folder's corpus; the committed seed corpus stays as it is.
# Usage: scripts/fuzz.sh [SECONDS] [extra libFuzzer options]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${KELVORA_BUILD:-$ROOT/build}
OUT=$BUILD/fuzz
SECONDS_TO_RUN=${1:-60}
shift || true

mkdir -p "$OUT/corpus" "$OUT/crashes"
BIN=$OUT/zip_reader_fuzz
SOURCES=("$ROOT"/base/zipcore/*.cpp "$ROOT/tests/fuzz/ZipReaderFuzz.cpp")
if [ ! -x "$BIN" ] || [ -n "$(find "${SOURCES[@]}" "$ROOT"/base/zipcore/*.h -newer "$BIN")" ]; then
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$ROOT" "${SOURCES[@]}" -lz -o "$BIN"
fi

"$BIN" -max_total_time="$SECONDS_TO_RUN" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$OUT/crashes/" -print_final_stats=1 "$@" "$OUT/corpus" "$ROOT/tests/fuzz/corpus"
