#!/usr/bin/env bash
# Runs every benchmark and prints one table: adding against zip and bsdtar, testing against
# 7z and unzip, extracting against a floor program of our own, unzip and 7z, opening a
# 100,000-member archive against unzip -l, and the peak memory of each engine call
# (a 4.5 GiB member included). Not a test: the figures depend on the machine and its load,
# so run it on a quiet machine.
#
#   bench/run.sh [--runs N] [--skip-big]
# Uses the build in $KELVORA_BUILD (default build/). The corpora are made once into
# $KELVORA_BENCH_CORPUS (default /var/tmp/kelvora-bench-corpus) and only read afterwards;
# everything a run writes goes to folders of its own, removed at the end.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
CORPUS=${KELVORA_BENCH_CORPUS:-/var/tmp/kelvora-bench-corpus}

command -v bsdtar >/dev/null || {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends libarchive-tools >/dev/null
}
[ -f "$BUILD/CMakeCache.txt" ] || kelvora_build >/dev/null
cmake --build "$BUILD" --target zipdrive unzdrive kzipeng unzeng listbench -j"$(nproc)" >/dev/null

FLOORS=$(mktemp -d /tmp/kelvora-bench-floors.XXXXXX)
trap 'rm -rf "$FLOORS"; kelvora_wine_stop' EXIT
i686-w64-mingw32-g++-posix -std=c++20 -O2 -static -municode -o "$FLOORS/extract-floor.exe" \
  "$ROOT/bench/extract-floor.cpp"

# Two runs at once build the corpora once: the second waits for the first.
mkdir -p "$CORPUS"
(flock 9; python3 "$ROOT/bench/zip-corpus.py" "$CORPUS") 9>"$CORPUS/.lock"
# Every run finds the corpora in the page cache.
find "$CORPUS/mixed" "$CORPUS/small" -type f -print0 | xargs -0 cat >/dev/null

set +e # the shared helpers are not written for errexit
kelvora_wine_env
set -e
(flock 9; python3 "$ROOT/bench/run.py" --corpus "$CORPUS" --bin "$BUILD/bin" --floors "$FLOORS" "$@") \
  9>"$CORPUS/.lock"
