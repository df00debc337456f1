#!/usr/bin/env bash
# Times KZIPENG.DLL (through zipdrive.exe under Wine) against Info-ZIP zip on the same
# corpora, in one run: level 9 and level 6, on a few hundred MB of mixed files and on
# 100,000 small files in nested folders. Prints wall times, the time ratios (ours / zip) and
# the archive sizes. Not a test: the figures depend on the machine and its load.
#
#   bench/zip-bench.sh [work folder]      (default /tmp/kelvora-bench)
# Uses the build in $KELVORA_BUILD (default build/); builds zipdrive and KZIPENG.DLL first.
# Each command runs $RUNS times (default 2) and the best wall time counts, since other work
# on the machine only ever makes a run slower; the load average is printed with the table.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
WORK=${1:-/tmp/kelvora-bench}
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)

cmake --build "$BUILD" --target zipdrive kzipeng -j2 >/dev/null
FLOOR="$WORK/wine-file-floor.exe"
i686-w64-mingw32-g++-posix -std=c++20 -O2 -static -o "$FLOOR" "$ROOT/bench/wine-file-floor.cpp"
python3 "$ROOT/bench/zip-corpus.py" "$WORK"
set +e # the shared helpers are not written for errexit
kelvora_wine_env
set -e
trap kelvora_wine_stop EXIT
DRIVE="$BUILD/bin/zipdrive.exe"

RUNS=${RUNS:-2}
# best wall time of $RUNS runs, and the CPU time (user + system) of that run
timed() {
  local best="" cpu="" t
  for _ in $(seq "$RUNS"); do
    rm -f "$OUTPUT"
    /usr/bin/time -f "%e %U %S" -o "$WORK/.time" "$@" >/dev/null 2>&1
    read -r wall user sys <"$WORK/.time"
    if [ -z "$best" ] || [ "$(echo "$wall < $best" | bc -l)" = 1 ]; then
      best=$wall
      cpu=$(echo "$user + $sys" | bc -l)
    fi
  done
  echo "$best $cpu"
}
seconds() { # command...: wall time in seconds
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
size() { stat -c %s "$1"; }

# Reads every file once, so all runs find the corpus in the page cache.
for c in mixed small; do find "$WORK/$c" -type f -print0 | xargs -0 cat >/dev/null; done

printf '\nWine start-up alone (zipdrive with nothing to add): %.2f s\n' \
  "$(cd "$WORK" && seconds wine "$DRIVE" -p startup.zip nothing-here)"
# What Wine alone costs for these files: list them, open and read each, nothing else.
for c in mixed small; do
  printf 'Wine floor, %s: ' "$c"
  wine "$FLOOR" "Z:${WORK//\//\\}\\$c" 4 </dev/null | tr -d '\r'
done

printf '\nload average before the runs: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '\n%-6s %-5s %8s %8s %8s %8s %6s %12s %12s %6s\n' corpus level "ours s" "cpu s" \
  "zip s" "cpu s" ratio "ours bytes" "zip bytes" size
for corpus in mixed small; do
  files=$(find "$WORK/$corpus" -type f | wc -l)
  mb=$(du -sm --apparent-size "$WORK/$corpus" | cut -f1)
  levels="9 6"
  # Storing only: what reading the files and writing the archive cost, without compression.
  [ "$corpus" = small ] && levels="9 6 0"
  for level in $levels; do
    ours="$WORK/ours-$corpus-$level.zip"
    theirs="$WORK/zip-$corpus-$level.zip"
    cd "$WORK"
    read -r t_ours c_ours < <(OUTPUT=$ours timed wine "$DRIVE" -r -p "-$level" "$(basename "$ours")" "$corpus")
    read -r t_zip c_zip < <(OUTPUT=$theirs timed zip -q -r "-$level" "$theirs" "$corpus")
    unzip -tq "$ours" >/dev/null || { echo "unzip -t failed on $ours"; exit 1; }
    printf '%-6s %-5s %8.2f %8.2f %8.2f %8.2f %6.2f %12d %12d %6.4f   (%d files, %d MB)\n' \
      "$corpus" "-$level" "$t_ours" "$c_ours" "$t_zip" "$c_zip" "$(echo "$t_ours / $t_zip" | bc -l)" \
      "$(size "$ours")" "$(size "$theirs")" "$(echo "$(size "$ours") / $(size "$theirs")" | bc -l)" \
      "$files" "$mb"
  done
done
printf 'load average after the runs: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Targets: level 9 at most 0.60x zip's time with at most 1.01x its size; level 6 at most 1.00x."
echo "Level 0 on the small files shows the cost of 100,000 file opens through Wine (no compression)."
