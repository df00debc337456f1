#!/usr/bin/env bash
# Times KUNZENG.DLL (through unzdrive.exe under Wine) against Info-ZIP unzip and 7-Zip on the
# corpora of bench/zip-corpus.py zipped with `zip -6`: extraction and testing, a few hundred
# MB of mixed files and 100,000 small files in nested folders. Prints wall times (best of
# RUNS, default 2) and the ratios ours / unzip. Also measures what Wine alone costs: its
# start-up, and extracting the same trees with every file empty (file creation only).
# Files are extracted into OUT (default a folder in /dev/shm): on a disk, the file system's
# metadata journal can dominate every tool's time. Not a test: the figures depend on the
# machine and its load.
#
#   bench/unz-bench.sh [work folder]      (default /tmp/kelvora-unz-bench)
# Uses the build in $KELVORA_BUILD (default build/); builds unzdrive and KUNZENG.DLL first.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
WORK=${1:-/tmp/kelvora-unz-bench}
RUNS=${RUNS:-2}
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
OUT=${OUT:-$( [ -d /dev/shm ] && echo /dev/shm/kelvora-unz-out || echo "$WORK/out" )}

cmake --build "$BUILD" --target unzdrive unzeng -j2 >/dev/null
python3 "$ROOT/bench/zip-corpus.py" "$WORK"
set +e # the shared helpers are not written for errexit
kelvora_wine_env
set -e
trap kelvora_wine_stop EXIT
DRIVE="$BUILD/bin/unzdrive.exe"
win() { echo "Z:${1//\//\\}"; }

best() { # command...: the shortest wall time of RUNS runs, in seconds; OUT is emptied first
  local t0 t1 t best=""
  for _ in $(seq 1 "$RUNS"); do
    rm -rf "$OUT"
    sync
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    t1=$(date +%s.%N)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
ratio() { echo "$1 / $2" | bc -l; }

# The archives, once; and the same trees with every file empty.
for c in mixed small; do
  [ -f "$WORK/$c.zip" ] || (cd "$WORK" && zip -q -r -6 "$c.zip" "$c")
  if [ ! -f "$WORK/$c-empty.zip" ]; then
    rm -rf "$WORK/empty-$c"
    mkdir -p "$WORK/empty-$c"
    (cd "$WORK/$c" && find . -type d -print0) | (cd "$WORK/empty-$c" && xargs -0 mkdir -p)
    (cd "$WORK/$c" && find . -type f -print0) | (cd "$WORK/empty-$c" && xargs -0 touch)
    (cd "$WORK/empty-$c" && zip -q -r -0 "$WORK/$c-empty.zip" .)
    rm -rf "$WORK/empty-$c"
  fi
done
printf 'PK\005\006%018d' 0 | tr 0 '\000' > "$WORK/nothing.zip" # an archive without members
for c in mixed small; do cat "$WORK/$c.zip" "$WORK/$c-empty.zip" >/dev/null; done

printf '\nWine start-up (unzdrive on an empty archive): %.2f s\n' \
  "$(best wine "$DRIVE" -t "$(win "$WORK/nothing.zip")")"

printf '\n%-6s %-22s %9s %9s %9s %7s %7s\n' corpus operation "ours s" "unzip s" "7z s" ours/uz 7z/uz
for c in mixed small; do
  a="$WORK/$c.zip"
  files=$(unzip -Z1 "$a" | grep -vc '/$')
  mb=$(( $(stat -c %s "$a") / 1048576 ))

  t_ours=$(best wine "$DRIVE" -x "$(win "$OUT")" "$(win "$a")")
  t_unzip=$(best unzip -q -o "$a" -d "$OUT")
  t_7z=$(best 7z x -y -bd "-o$OUT" "$a")
  printf '%-6s %-22s %9.2f %9.2f %9.2f %7.2f %7.2f  (%d files, %d MB zipped)\n' "$c" extract \
    "$t_ours" "$t_unzip" "$t_7z" "$(ratio "$t_ours" "$t_unzip")" "$(ratio "$t_7z" "$t_unzip")" \
    "$files" "$mb"

  t_ours=$(best wine "$DRIVE" -t "$(win "$a")")
  t_unzip=$(best unzip -tq "$a")
  t_7z=$(best 7z t -bd "$a")
  printf '%-6s %-22s %9.2f %9.2f %9.2f %7.2f %7.2f\n' "$c" test \
    "$t_ours" "$t_unzip" "$t_7z" "$(ratio "$t_ours" "$t_unzip")" "$(ratio "$t_7z" "$t_unzip")"

  e="$WORK/$c-empty.zip"
  t_ours=$(best wine "$DRIVE" -x "$(win "$OUT")" "$(win "$e")")
  t_unzip=$(best unzip -q -o "$e" -d "$OUT")
  t_7z=$(best 7z x -y -bd "-o$OUT" "$e")
  printf '%-6s %-22s %9.2f %9.2f %9.2f %7.2f %7.2f\n' "$c" "extract, files empty" \
    "$t_ours" "$t_unzip" "$t_7z" "$(ratio "$t_ours" "$t_unzip")" "$(ratio "$t_7z" "$t_unzip")"
done

# Wine's own xcopy creating the mixed tree's empty files: what file creation costs under Wine.
rm -rf "$WORK/empty-mixed" && mkdir "$WORK/empty-mixed" && (cd "$WORK/empty-mixed" && unzip -q ../mixed-empty.zip)
printf 'mixed  Wine xcopy of the empty tree: %.2f s\n' \
  "$(best wine cmd /c "xcopy /E /I /Q $(win "$WORK/empty-mixed") $(win "$OUT")")"
rm -rf "$OUT" "$WORK/empty-mixed"
echo
echo "Output folder: $OUT"
echo "Targets: extraction at most 0.80x unzip's time, testing at most 0.70x unzip -t."
echo "\"extract, files empty\" is the same tree with no data: file creation alone, under Wine for ours."
