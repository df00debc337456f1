#!/usr/bin/env bash
# Member times through every reader, in the zone TZ names (CTest runs this in several):
# files added by KZIPENG.DLL (through zipdrive.exe) are extracted by Info-ZIP unzip, bsdtar,
# 7-Zip, our own engine (unzdrive.exe) and the self-extractor, and each must restore what it
# takes from the field it reads: unzip and bsdtar the local extended timestamp (modification
# time to the second), 7-Zip and our engine the central NTFS field (modification and access
# time exact), the self-extractor the DOS time (local time, odd seconds rounded up).
# The same for an archive laid out as earlier versions wrote it (both time fields in both
# headers), and Update and Freshen of both engines, Info-ZIP zip's and 7-Zip's, judge both
# kinds as before (zip's by the central extended timestamp, also for an archive written in
# another zone). Last, an archive of many small files is at most 1.005 times zip -6's size.
#
#   interop-times.sh <bin folder with zipdrive.exe, unzdrive.exe, the engines and KSFX.BIN>
# (run with the Wine environment of scripts/common.sh, as CTest is)
set -euo pipefail
BIN=$(cd "${1:?bin folder}" && pwd)
[ -n "${WINEPREFIX:-}" ] || { echo "no Wine environment (scripts/common.sh)" >&2; exit 1; }

WORK=$(mktemp -d /tmp/kztimes.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
echo "zone: ${TZ:-unset}"

fail() { echo "FAIL (TZ=${TZ:-unset}): $*" >&2; exit 1; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
zipdrive() { # expected-result arguments...
  local expect=$1; shift
  local out
  out=$(wine "$BIN/zipdrive.exe" "$@" 2>&1 </dev/null | tr -d '\r') || fail "zipdrive $*"
  grep -qx "result: $expect" <<<"$out" || { echo "$out"; fail "zipdrive $*: not result: $expect"; }
}
unzdrive() { # expected-count folder archive [options]
  local expect=$1 folder=$2 archive=$3; shift 3
  local out
  out=$(wine "$BIN/unzdrive.exe" "$@" -x "$(winpath "$WORK/$folder")" "$(winpath "$WORK/$archive")" \
    2>&1 </dev/null | tr -d '\r') || fail "unzdrive $* $archive"
  grep -q "^processed $expect files" <<<"$out" || { echo "$out"; fail "unzdrive $* $archive: not $expect files"; }
}

# Summer and winter in both hemispheres, odd seconds, digits a second cannot hold, and access
# times apart from the modification times.
python3 - <<'PY'
import os
base = 1650000000_123456700  # ns, 2022-04-15: a multiple of 100 ns, as NTFS keeps them
for i, (name, days) in enumerate([("a.txt", 0), ("odd.txt", 0), ("winter/b.txt", -120),
                                  ("winter/c.txt", 75), ("deep/er/d.txt", 200)]):
    path = os.path.join("src", name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(f"{name} {i}\n" * (i + 1))
    m = base + days * 86400 * 10**9 + i * 7_000_000_100 + (10**9 if name == "odd.txt" else 0)
    os.utime(path, ns=(m + 3_333_333_300, m))
for i, folder in enumerate(["src/winter", "src/deep/er", "src/deep"]):
    os.utime(folder, ns=(base, base - (i * 90 + 1) * 86400 * 10**9 - 500_000_000))
PY
# name, modification and access time in ns, per file (and folder: -d)
times() { # folder [-d]
  if [ "${2:-}" = -d ]; then
    (cd "$1" && find . -mindepth 1 -type d -printf '%P %T@\n' | sort)
  else
    (cd "$1" && find . -type f -printf '%P %T@ %A@\n' | sort)
  fi
}
times src > files.want # before the engine reads the files, which moves their access times
times src -d > folders.want

# expect <reader> <folder>: the times the reader restores, as it restored them before.
expect() {
  local reader=$1 out=$2
  python3 - "$reader" files.want "$(times "$out")" folders.want "$(times "$out" -d)" <<'PY' ||
import sys
from decimal import Decimal
reader, files_want, files_got, folders_want, folders_got = sys.argv[1:]
def table(text):
    return {l.split()[0]: [Decimal(v) for v in l.split()[1:]] for l in text.splitlines() if l}
want, got = table(open(files_want).read()), table(files_got)
dwant, dgot = table(open(folders_want).read()), table(folders_got)
bad = []
if sorted(got) != sorted(want):
    bad.append(f"files {sorted(got)} instead of {sorted(want)}")
for name, (m, a) in want.items():
    if name not in got:
        continue
    gm, ga = got[name]
    second = int(m)  # floor: the times are after 1970
    if reader in ("unzip", "bsdtar"):
        ok = gm == second
    elif reader == "sfx":
        ok = gm == second + second % 2
    else:  # the NTFS field: both times exact
        ok = gm == m and ga == a
    if not ok:
        bad.append(f"{name}: modified {gm} accessed {ga}, source {m} {a}")
for name, (m,) in dwant.items():
    if reader in ("unzip", "bsdtar", "7z") and name in dgot:
        gm = dgot[name][0]
        if gm != (m if reader == "7z" else int(m)):
            bad.append(f"folder {name}: modified {gm}, source {m}")
for line in bad:
    print(line)
sys.exit(1 if bad else 0)
PY
    fail "$reader restored other times from $ARCHIVE"
}

# fields <archive> <member>: the time fields of its local and its central header
fields() {
  python3 - "$1" "$2" <<'PY'
import struct, sys, zipfile
def ids(extra):
    i, out = 0, []
    while i + 4 <= len(extra):
        ident, size = struct.unpack_from("<HH", extra, i)
        out += [f"{ident:04x}"] if ident in (0x000A, 0x5455) else []
        i += 4 + size
    return "+".join(out) or "-"
info = zipfile.ZipFile(sys.argv[1]).getinfo(sys.argv[2])
data = open(sys.argv[1], "rb").read()
n, e = struct.unpack_from("<HH", data, info.header_offset + 26)
start = info.header_offset + 30 + n
print(f"local {ids(data[start:start + e])} central {ids(info.extra)}")
PY
}
# Extracts the archive with every reader and checks each one's times.
readers() {
  ARCHIVE=$1
  rm -rf x && mkdir x && unzip -q "$ARCHIVE" -d x && expect unzip x/src
  rm -rf y && mkdir y && 7z x -oy "$ARCHIVE" >/dev/null && expect 7z y/src
  if command -v bsdtar >/dev/null; then
    rm -rf t && mkdir t && (cd t && bsdtar -xf "../$ARCHIVE") && expect bsdtar t/src
  fi
  rm -rf k && mkdir k && unzdrive 5 k "$ARCHIVE" && expect own k/src
  rm -rf s && cat "$BIN/KSFX.BIN" "$ARCHIVE" > sfx.exe &&
    wine sfx.exe /s "/d:$(winpath "$WORK/s")" </dev/null >/dev/null 2>&1 || fail "sfx of $ARCHIVE"
  expect sfx s/src
  # Extracted files are as new as their members: our engine's Update and Freshen take none.
  unzdrive 0 k "$ARCHIVE" -u
  unzdrive 0 k "$ARCHIVE" -f
}

echo "== written now"
zipdrive 9 -r -p -6 new.zip src
readers new.zip

echo "== as earlier versions wrote: both time fields in both headers"
# The fields of each header moved so both headers hold both (no ZIP64, no descriptors here).
python3 - new.zip old.zip <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
end = data.rfind(b"PK\x05\x06")
count, _, cd = struct.unpack_from("<HII", data, end + 10)
def blocks(extra, found):
    i = 0
    while i + 4 <= len(extra):
        ident, size = struct.unpack_from("<HH", extra, i)
        found[ident] = extra[i:i + 4 + size]
        i += 4 + size
    return found
members, central = bytearray(), bytearray()
for _ in range(count):
    head = bytearray(data[cd:cd + 46])
    n, e, c = struct.unpack_from("<HHH", head, 28)
    name = data[cd + 46:cd + 46 + n]
    found = blocks(data[cd + 46 + n:cd + 46 + n + e], {})
    offset, = struct.unpack_from("<I", head, 42)
    ln, le = struct.unpack_from("<HH", data, offset + 26)
    size, = struct.unpack_from("<I", data, offset + 18)
    found = blocks(data[offset + 30 + ln:offset + 30 + ln + le], found)
    times = found[0x000A] + found[0x5455]  # in the order earlier versions wrote them
    local = bytearray(data[offset:offset + 30])
    struct.pack_into("<H", local, 28, len(times))
    struct.pack_into("<H", head, 30, len(times))
    struct.pack_into("<I", head, 42, len(members))
    members += local + name + times + data[offset + 30 + ln + le:offset + 30 + ln + le + size]
    central += head + name + times + data[cd + 46 + n + e:cd + 46 + n + e + c]
    cd += 46 + n + e + c
tail = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(central), len(members), 0)
open(sys.argv[2], "wb").write(members + central + tail)
PY
for a in new.zip old.zip; do echo "$a: $(fields $a src/a.txt)"; done
[ "$(fields new.zip src/a.txt)" = "local 5455 central 000a+5455" ] || fail "new.zip: time fields"
[ "$(fields old.zip src/a.txt)" = "local 000a+5455 central 000a+5455" ] || fail "old.zip: time fields"
readers old.zip

echo "== Update and Freshen on both"
unchanged() { # archive what command...: the command finds nothing newer to add
  local a=$1 what=$2; shift 2
  cp "$a" before.zip
  "$@" >/dev/null 2>&1 || true # zip ends with 12, "nothing to do"
  cmp -s "$a" before.zip || fail "$what rewrote $a, though nothing is newer"
}
TZ=Asia/Kolkata zipdrive 9 -r -p -6 elsewhere.zip src # written in another zone
for a in new.zip old.zip elsewhere.zip; do
  if [ "$a" != elsewhere.zip ]; then # our engine goes by DOS times, in local time
    cp "$a" kept.zip
    zipdrive 0 -u -r -p -6 "$a" src
    zipdrive 0 -f -r -p -6 "$a" src
    cmp -s "$a" kept.zip || fail "our engine rewrote $a, though nothing is newer"
  fi
  unchanged "$a" "zip -u" zip -q -u -r "$a" src
  unchanged "$a" "zip -f" zip -q -f -r "$a" src
  unchanged "$a" "7z u" 7z u -tzip "$a" src
done
# odd.txt changes: newer by an hour, read an hour later still (a future access time stays as
# it is when the file is read, so the one its member gets is known).
python3 -c 'import os, time
t = time.time_ns() // 100 * 100
os.utime("src/odd.txt", ns=(t + 7200 * 10**9, t + 3601 * 10**9))'
{ grep -v '^odd.txt ' files.want; times src | grep '^odd.txt '; } > files.now
mv files.now files.want
zipdrive 1 -u -r -p -6 new.zip src
zipdrive 1 -f -r -p -6 old.zip src # the other members stay as they were, the new one as now
[ "$(fields old.zip src/a.txt)" = "local 000a+5455 central 000a+5455" ] || fail "a kept member of old.zip changed"
[ "$(fields old.zip src/odd.txt)" = "local 5455 central 000a+5455" ] || fail "the replaced member of old.zip"
readers new.zip
readers old.zip

echo "== many small files, against zip -6"
python3 - <<'PY'
import os, random
r = random.Random(1998)
words = ["alpha", "beta", "archive", "member", "header", "window", "kelvora", "deflate"]
for d in range(10):
    os.makedirs(f"small/d{d}", exist_ok=True)
    for n in range(60):
        size = r.randint(50, 2000)
        text = " ".join(r.choice(words) if r.random() < 0.8 else str(r.randint(0, 99999))
                        for _ in range(size // 4))
        with open(f"small/d{d}/f{n:03}.txt", "w") as f:
            f.write(text[:size])
PY
zip -q -6 -r zip6.zip small
zipdrive 611 -r -p -6 ours6.zip small
ours=$(stat -c %s ours6.zip) theirs=$(stat -c %s zip6.zip)
echo "ours $ours bytes, zip -6 $theirs bytes"
[ $((ours * 1000)) -le $((theirs * 1005)) ] || fail "ours is more than 1.005 times zip's size"
echo "PASS"
