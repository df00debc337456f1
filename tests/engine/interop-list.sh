#!/usr/bin/env bash
# The program's own listing (listdrive) against the central directory as `unzip -Z` reads it
# (names, sizes, packed sizes, count), for archives made here by the writers at hand: zip,
# zip to a pipe, bsdtar, Python's zipfile on a pipe, 7-Zip with several methods; and for
# damaged ones (a size placeholder without its ZIP64 field, a stub holding a stray local
# header, a download cut off in its last member), which KUNZENG.DLL also extracts
# (unzdrive). Then members holding only a DOS time, extracted (by the engine and by the
# self-extractor) and added under two zones in both seasons, compared with unzip and with the
# local time of the member's own date.
# Usage: interop-list.sh <bin folder>   (run with the Wine environment of scripts/common.sh)
set -euo pipefail
BIN=$(cd "${1:?bin folder}" && pwd)
WORK=$(mktemp -d /tmp/klist-interop.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail=0
bad() { echo "FAIL $*"; fail=1; }
win() { echo "Z:${1//\//\\}"; }
export LC_ALL=C.UTF-8 # the peers print names by the locale

SRC=$WORK/src
mkdir -p "$SRC/docs/sub" "$SRC/bin" "$SRC/empty dir"
seq 1 100000 > "$SRC/docs/numbers.txt"
head -c 300000 /dev/urandom > "$SRC/bin/random.bin"
head -c 70000 /dev/zero > "$SRC/bin/zeros.dat"
: > "$SRC/docs/empty.txt"
echo "spaces" > "$SRC/docs/sub/with space.txt"
for i in $(seq 1 20); do echo "small $i" > "$SRC/docs/sub/s$i.txt"; done

# "name<TAB>size<TAB>packed" per member, in the order given.
directory() {
  paste <(unzip -Z1 "$1" 2>/dev/null) <(unzip -Zl "$1" 2>/dev/null | awk '$2 ~ /^[0-9]+\.[0-9]$/ {print $4 "\t" $6}')
}
# The program's listing: rows to $1.rows, its boxes and errors to $1.said.
list() {
  wine "$BIN/listdrive.exe" "$(win "$1")" </dev/null 2>/dev/null | tr -d '\r' > "$1.out" || true
  grep -P '\t' "$1.out" > "$1.rows" || true
  grep -E '^(message|error|confirm): ' "$1.out" > "$1.said" || true
}
# Lists the archive and compares it with the directory; no box may appear.
same_as_directory() {
  local archive=$1 what=$2
  list "$archive"
  if ! diff <(directory "$archive") "$archive.rows" > "$archive.diff"; then
    bad "$what: the list differs from unzip -Z (< unzip, > list):"; head -20 "$archive.diff"; return
  fi
  if [ -s "$archive.said" ]; then bad "$what: the listing said:"; cat "$archive.said"; return; fi
  echo "ok   $what ($(wc -l < "$archive.rows") members)"
}

echo "== writers"
(cd "$SRC" && zip -qr -X "$WORK/zip.zip" .)
(cd "$SRC" && zip -qr -X - . | cat > "$WORK/zip-pipe.zip")
(cd "$SRC" && bsdtar -a -cf "$WORK/bsdtar.zip" .)
(cd "$SRC" && python3 - <<'PY' | cat > "$WORK/python-pipe.zip"
import os, sys, zipfile
# stdout is a pipe: zipfile cannot seek back, so it streams with data descriptors.
with zipfile.ZipFile(sys.stdout.buffer, "w", zipfile.ZIP_DEFLATED) as z:
    for root, dirs, files in sorted(os.walk(".")):
        for d in sorted(dirs):
            z.write(os.path.join(root, d))
        for f in sorted(files):
            z.write(os.path.join(root, f))
PY
)
for m in Deflate Copy Deflate64 BZip2 LZMA; do
  (cd "$SRC" && 7z a -bd -tzip -mm=$m "$WORK/7z-$m.zip" . >/dev/null)
done
for a in zip zip-pipe bsdtar python-pipe 7z-Deflate 7z-Copy 7z-Deflate64 7z-BZip2 7z-LZMA; do
  # unzip knows every method here but LZMA.
  [ $a = 7z-LZMA ] || unzip -tq "$WORK/$a.zip" >/dev/null || bad "$a: unzip -t refuses the archive made here"
  same_as_directory "$WORK/$a.zip" "$a"
done
for a in bsdtar python-pipe zip-pipe; do
  [ "$(unzip -Zv "$WORK/$a.zip" | grep -cE "extended local header: +yes")" -gt 0 ] ||
    bad "$a did not stream: the data-descriptor case is not tested"
done

echo "== places named in other scripts and deeper than MAX_PATH"
# listdrive carries the program's manifest: its command line and file calls are UTF-8, and
# its file calls reach any length.
deep="$WORK/Łódź/日本語/Привет"
for i in 1 2 3 4 5 6 7 8; do deep="$deep/a folder with a rather long name $i"; done
mkdir -p "$deep"
[ ${#deep} -gt 300 ] || bad "the deep folder is not deep enough"
for place in "$WORK/Łódź" "$WORK/Łódź/日本語/Привет" "$deep"; do
  cp "$WORK/zip.zip" "$place/archive żółw.zip"
  same_as_directory "$place/archive żółw.zip" "in ${place#$WORK/} (${#place} characters)"
done

echo "== damaged"
mkdir -p "$WORK/three"
for n in one two three; do seq 1 3000 | sed "s/^/$n /" > "$WORK/three/$n.txt"; done
(cd "$WORK/three" && zip -q -X "$WORK/three.zip" one.txt two.txt three.txt)
# A local header's compressed size set to the ZIP64 mark with no ZIP64 field, in the second
# or the third member; the directory keeps the real size.
for n in 2 3; do
  python3 - "$WORK/three.zip" "$WORK/placeholder-$n.zip" $n <<'PY'
import struct, sys, zipfile
data = bytearray(open(sys.argv[1], "rb").read())
info = zipfile.ZipFile(sys.argv[1]).infolist()[int(sys.argv[3]) - 1]
struct.pack_into("<I", data, info.header_offset + 18, 0xFFFFFFFF)
open(sys.argv[2], "wb").write(data)
PY
  same_as_directory "$WORK/placeholder-$n.zip" "placeholder in member $n"
done
# A self-extractor whose program holds a sound local header of its own ("fake.txt"),
# followed by the archive with and without its offsets adjusted (zip -A).
python3 - "$WORK/stub.bin" <<'PY'
import os, struct, sys, zlib
body = b"fake data"
header = struct.pack("<IHHHIIIIHH", 0x04034B50, 20, 0, 0, 0, zlib.crc32(body), len(body),
                     len(body), 8, 0) + b"fake.txt" + body
stub = bytearray(b"MZ" + os.urandom(30000))
stub[20000:20000 + len(header)] = header  # past where the old walk began
open(sys.argv[1], "wb").write(stub)
PY
cat "$WORK/stub.bin" "$WORK/three.zip" > "$WORK/setup.exe"
cp "$WORK/setup.exe" "$WORK/setup-adjusted.exe" && zip -qA "$WORK/setup-adjusted.exe"
for a in setup setup-adjusted; do
  same_as_directory "$WORK/$a.exe" "stub with a stray header ($a)"
  if grep -q "fake.txt" "$WORK/$a.exe.rows"; then bad "$a: the stub's header was listed"; fi
  rm -rf "$WORK/x-$a"
  wine "$BIN/unzdrive.exe" -x "$(win "$WORK/x-$a")" "$(win "$WORK/$a.exe")" </dev/null > "$WORK/$a.log" 2>&1 ||
    { bad "$a: extraction reported problems"; cat "$WORK/$a.log"; }
  diff -r "$WORK/three" "$WORK/x-$a" >/dev/null || bad "$a: extracted files differ"
done
for n in 2 3; do
  rm -rf "$WORK/x-p$n"
  wine "$BIN/unzdrive.exe" -x "$(win "$WORK/x-p$n")" "$(win "$WORK/placeholder-$n.zip")" </dev/null > "$WORK/p$n.log" 2>&1 ||
    { bad "placeholder $n: extraction reported problems"; cat "$WORK/p$n.log"; }
  diff -r "$WORK/three" "$WORK/x-p$n" >/dev/null || bad "placeholder $n: extracted files differ"
done

# Cut off inside the last member's data (as a broken download), written by zip and by bsdtar
# (whose members carry data descriptors): the complete members are listed and extracted,
# the cut one is named both times.
for writer in zip bsdtar; do
  a=$WORK/cut-$writer.zip
  if [ $writer = zip ]; then
    (cd "$WORK/three" && zip -q -X "$WORK/full-$writer.zip" one.txt two.txt three.txt)
  else
    (cd "$WORK/three" && bsdtar -a -cf "$WORK/full-$writer.zip" one.txt two.txt three.txt)
  fi
  last=$(python3 -c "import zipfile,sys; i=zipfile.ZipFile(sys.argv[1]).infolist()[-1]; print(i.header_offset + 30 + len(i.filename) + 40)" "$WORK/full-$writer.zip")
  head -c "$last" "$WORK/full-$writer.zip" > "$a"
  list "$a"
  printf 'one.txt\ntwo.txt\n' | diff - <(cut -f1 "$a.rows") >/dev/null ||
    { bad "cut ($writer): not the two complete members listed"; cat "$a.out"; }
  grep -q '^message: This archive is incomplete.*"three.txt" is cut off' "$a.said" ||
    { bad "cut ($writer): the list does not say the archive is incomplete"; cat "$a.out"; }
  rm -rf "$WORK/x-cut"
  wine "$BIN/unzdrive.exe" -x "$(win "$WORK/x-cut")" "$(win "$a")" </dev/null > "$a.log" 2>&1 || true
  grep -q '^processed 2 files' "$a.log" || { bad "cut ($writer): not 2 files extracted"; cat "$a.log"; }
  grep -q '"three.txt": the archive ends inside it' "$a.log" || { bad "cut ($writer): cut member not reported"; cat "$a.log"; }
  for n in one two; do cmp -s "$WORK/three/$n.txt" "$WORK/x-cut/$n.txt" || bad "cut ($writer): $n.txt differs"; done
  if [ -e "$WORK/x-cut/three.txt" ]; then bad "cut ($writer): the cut member was written"; fi
  echo "ok   cut in the last member ($writer)"
done

echo "== DOS times in two zones and both seasons"
mtime() { stat -c %Y "$1"; }
for zone in America/New_York Australia/Sydney; do
  before=$fail
  T=$WORK/times-${zone//\//-}
  mkdir -p "$T/src"
  for month in 01 07; do
    echo "$month" > "$T/src/m$month.txt"
    TZ=$zone touch -d "2024-$month-15 12:00:00" "$T/src/m$month.txt"
  done
  # Extracting: zip -X stores the DOS time only.
  (cd "$T/src" && TZ=$zone zip -q -X "$T/dos.zip" m01.txt m07.txt)
  TZ=$zone unzip -q "$T/dos.zip" -d "$T/unzip"
  TZ=$zone wine "$BIN/unzdrive.exe" -x "$(win "$T/ours")" "$(win "$T/dos.zip")" </dev/null >/dev/null 2>&1 ||
    bad "$zone: extraction failed"
  cat "$BIN/KSFX.BIN" "$T/dos.zip" > "$T/dos.exe"
  TZ=$zone timeout 120 wine "$T/dos.exe" /s "/d:$(win "$T/sfx")" </dev/null >/dev/null 2>&1 ||
    bad "$zone: the self-extractor failed"
  for month in 01 07; do
    f=m$month.txt
    for by in ours sfx; do
      [ "$(mtime "$T/$by/$f")" = "$(mtime "$T/unzip/$f")" ] ||
        bad "$zone, month $month: $by extracted at $(TZ=$zone date -r "$T/$by/$f"), unzip gives $(TZ=$zone date -r "$T/unzip/$f")"
    done
    [ "$(mtime "$T/unzip/$f")" = "$(mtime "$T/src/$f")" ] || bad "$zone, month $month: unzip did not give the file's own time"
  done
  # Adding: the DOS time stored is the file's local time on its own date.
  (cd "$T/src" && TZ=$zone wine "$BIN/zipdrive.exe" "$(win "$T/added.zip")" m01.txt m07.txt </dev/null >/dev/null 2>&1) ||
    bad "$zone: adding failed"
  TZ=$zone python3 - "$T/added.zip" "$T/src" <<'PY' || bad "$zone: added DOS times are not the files' local times"
import os, sys, time, zipfile
ok = True
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    local = time.localtime(os.stat(os.path.join(sys.argv[2], i.filename)).st_mtime)[:6]
    if i.date_time != local:
        print(i.filename, "stored", i.date_time, "local", local); ok = False
sys.exit(0 if ok else 1)
PY
  [ $fail = "$before" ] && echo "ok   times under $zone"
done
exit $fail
