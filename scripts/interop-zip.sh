#!/usr/bin/env bash
# Interoperability of KZIPENG.DLL with Info-ZIP and 7-Zip: drives the engine under Wine
# through zipdrive.exe, then checks the archives with `unzip -t`, `7z t`, extracts them with
# unzip and compares with diff -r. Also: encryption (unzip -P; WinZip AES-256 with 7z, which
# also refuses a wrong password), large incompressible files stored, deletion, adding to an
# archive written by zip, more than 65535 members (ZIP64 end records), a full disk (a
# 1 MB tmpfs when run as root; otherwise a file-size limit makes the writes fail), names in
# several scripts with sub-second times, and, with KELVORA_LARGE_TESTS=1, a 4.5 GiB member.
#
#   scripts/interop-zip.sh <bin folder with zipdrive.exe and KZIPENG.DLL>
set -euo pipefail
BIN=$(cd "${1:?bin folder}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)

if [ -z "${WINEPREFIX:-}" ]; then
  export KELVORA_BUILD=${KELVORA_BUILD:-$(dirname "$BIN")}
  source "$HERE/common.sh"
  set +e
  kelvora_wine_env
  set -e
  trap kelvora_wine_stop EXIT
fi

WORK=$(mktemp -d /tmp/kzinterop.XXXXXX)
MOUNTED=""
cleanup() {
  if [ -n "$MOUNTED" ]; then umount "$MOUNTED" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap 'cleanup; if declare -F kelvora_wine_stop >/dev/null; then kelvora_wine_stop; fi' EXIT
cd "$WORK"
UNZDRIVE_EARLY="$BIN/unzdrive.exe"

fail() { echo "FAIL: $*" >&2; exit 1; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
# zipdrive with the given arguments; prints its output, checks the result count.
drive() {
  local expect=$1; shift
  local out
  out=$(wine "$BIN/zipdrive.exe" "$@" 2>&1 </dev/null | tr -d '\r') || fail "zipdrive $*"
  echo "$out" | grep -v '^action\|^file' || true
  grep -qx "result: $expect" <<<"$out" || fail "zipdrive $* did not report result: $expect"
}
check() { # archive [password]: both testers accept it
  local pw=()
  local sz=()
  if [ $# -gt 1 ]; then pw=(-P "$2"); sz=("-p$2"); fi
  unzip -tq "${pw[@]}" "$1" >/dev/null || fail "unzip -t $1"
  7z t "${sz[@]}" "$1" >/dev/null || fail "7z t $1"
}
same_tree() { # extracted-folder original-folder
  diff -r "$1" "$2" >/dev/null || { diff -r "$1" "$2" | head; fail "extracted tree differs from $2"; }
}

echo "== sources"
mkdir -p src/docs/sub src/empty src/bin "src/with space"
python3 - <<'PY'
import random
r = random.Random(7)
words = ["archive", "member", "deflate", "kelvora", "window", "offset", "header"]
def text(n):
    return " ".join(r.choice(words) for _ in range(n)).encode()
open("src/docs/readme.txt", "wb").write(text(2000))
open("src/docs/sub/notes.txt", "wb").write(text(40000))
open("src/docs/sub/tiny.txt", "wb").write(b"x")
open("src/docs/empty.txt", "wb").write(b"")
open("src/bin/random.bin", "wb").write(r.randbytes(300000))
open("src/bin/large.txt", "wb").write(text(900000))
open("src/bin/large.bin", "wb").write(r.randbytes(3 * 1048576 + 5))
open("src/with space/file name.txt", "wb").write(text(100))
PY
files=$(find src -type f | wc -l)
folders=$(find src -mindepth 1 -type d | wc -l)
total=$((files + folders + 1)) # and the folder src itself

for level in 9 6 1 0; do
  echo "== add, level $level"
  drive "$total" -r -p "-$level" "a$level.zip" src
  check "a$level.zip"
  rm -rf x && mkdir x && unzip -q "a$level.zip" -d x
  same_tree x/src src
  [ -d x/src/empty ] || fail "empty folder not stored"
done
grep -q "Defl" <(unzip -v a0.zip) && fail "level 0 deflated something"
grep -q "Defl:X" <(unzip -v a9.zip) || fail "level 9 is not marked maximum"

echo "== encrypted"
drive "$total" -r -p -e -P 'se cret' enc.zip src
check enc.zip 'se cret'
rm -rf x && mkdir x && unzip -q -P 'se cret' enc.zip -d x
same_tree x/src src
if unzip -tq -P wrong enc.zip >/dev/null 2>&1; then fail "wrong password accepted"; fi
rm -rf y && mkdir y && 7z x -p'se cret' -oy enc.zip >/dev/null
same_tree y/src src

echo "== AES-256"
drive "$total" -r -p -a -P 'se cret' aes.zip src
7z t -p'se cret' aes.zip >/dev/null || fail "7z t rejects the AES archive"
rm -rf y && mkdir y && 7z x -p'se cret' -oy aes.zip >/dev/null
same_tree y/src src
if 7z t -pwrong aes.zip >/dev/null 2>&1; then fail "7z accepted a wrong AES password"; fi
rm -rf y && mkdir y
wine "$UNZDRIVE_EARLY" -x "$(winpath "$WORK/y")" -P 'se cret' "$(winpath "$WORK/aes.zip")" >/dev/null ||
  fail "the engine's own AES archive does not extract"
same_tree y/src src
# AE-1 with the CRC for ordinary files, AE-2 without it for one too short to hide its content.
python3 - <<'PY' || fail "AES versions or CRCs are not as the format advises"
import struct, zipfile
z = zipfile.ZipFile("aes.zip")
def aes(name):
    info = z.getinfo(name)
    extra = info.extra
    while extra:
        tag, size = struct.unpack_from("<HH", extra)
        if tag == 0x9901:
            version, vendor, strength, method = struct.unpack_from("<H2sBH", extra, 4)
            return info.compress_type, version, vendor, strength, method, info.CRC
        extra = extra[4 + size:]
assert aes("src/docs/sub/tiny.txt") == (99, 2, b"AE", 3, 0, 0)
big = aes("src/bin/large.txt")
assert big[:5] == (99, 1, b"AE", 3, 8) and big[5] != 0
PY

echo "== incompressible files are stored"
for a in a9.zip enc.zip aes.zip; do
  method=$(7z l -slt -p'se cret' "$a" | awk '/^Path = src\/bin\/large.bin/{f=1} f&&/^Method/&&!m{m=$0} END{print m}')
  [[ "$method" == *Store* ]] || fail "large.bin in $a is not stored ($method)"
done
[ "$(unzip -Z -l a9.zip src/bin/large.bin | awk '{print $6}')" = 3145733 ] ||
  fail "large.bin in a9.zip is stored with another size"

echo "== delete by mask and by name"
cp a9.zip d.zip
drive 3 -d d.zip '*.bin' 'src/docs/readme.txt'
check d.zip
if grep -q -e '\.bin$' -e readme.txt <(unzip -l d.zip); then fail "deleted members still listed"; fi
rm -rf x && mkdir x && unzip -q d.zip -d x
diff x/src/bin/large.txt src/bin/large.txt >/dev/null || fail "kept member changed"

echo "== add to and delete from an archive written by zip"
(cd src && zip -q -r -9 ../z.zip .)
echo "new file" > new.txt
drive 1 z.zip new.txt
drive 1 -d z.zip bin/random.bin
check z.zip
rm -rf x && mkdir x && unzip -q z.zip -d x
rm -rf expect && cp -r src expect && rm expect/bin/random.bin && cp new.txt expect/
same_tree x expect

echo "== names in several scripts, exact times"
UNZDRIVE="$BIN/unzdrive.exe"
u8() { LC_ALL=C.UTF-8 "$@"; } # the peers print and write names by the locale
python3 - <<'PY'
import os
names = ["café.txt", "naïve/résumé.txt", "日本語.txt", "smile 😀.txt", "Ωmega.txt", "Omega.txt", "plain.txt"]
t = 1650000000_123456700  # ns: odd seconds and digits a DOS time cannot hold
for i, n in enumerate(names):
    p = os.path.join("uni", n)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    with open(p, "w") as f:
        f.write(f"{n} {i}\n")
    os.utime(p, ns=(t + i * 7_000_000_100, t + i * 7_000_000_100))
PY
drive 9 -r -p uni.zip uni # and the folders uni/ and uni/naïve/
check uni.zip
python3 - <<'PY' || fail "names or flags as stored"
import struct, zipfile, sys
ok = True
for i in zipfile.ZipFile("uni.zip").infolist():
    ascii = all(ord(c) < 128 for c in i.filename)
    if bool(i.flag_bits & 0x800) == ascii:
        print("flag wrong for", i.filename); ok = False
# The exact times in the central header, the modification time to the second in the local one.
info = zipfile.ZipFile("uni.zip").getinfo("uni/café.txt")
data = open("uni.zip", "rb").read()
n, e = struct.unpack_from("<HH", data, info.header_offset + 26)
local = data[info.header_offset + 30 + n:][:e]
if b"\x0a\x00\x20\x00" not in info.extra or not local.startswith(b"UT\x05\x00\x01"):
    print("no NTFS field in the central header or extended timestamp in the local one"); ok = False
sys.exit(0 if ok else 1)
PY
listed_unzip=$(u8 unzip -Z1 uni.zip)
listed_7z=$(u8 7z l -slt uni.zip)
for n in "uni/café.txt" "uni/naïve/résumé.txt" "uni/日本語.txt" "uni/smile 😀.txt" "uni/Ωmega.txt"; do
  grep -qxF "$n" <<<"$listed_unzip" || { echo "$listed_unzip"; fail "unzip -Z does not show $n"; }
  grep -qxF "Path = $n" <<<"$listed_7z" || fail "7z l does not show $n"
done
mtimes() { # folder: "relative-name modification-time-in-ns" per file, sorted
  (cd "$1" && find . -type f -printf '%P %T@\n' | sort)
}
seconds() { sed 's/\.[0-9]*$//'; }
rm -rf x && mkdir x && u8 unzip -q uni.zip -d x && same_tree x/uni uni
[ "$(mtimes x/uni | seconds)" = "$(mtimes uni | seconds)" ] || fail "unzip: times differ"
rm -rf y && mkdir y && u8 7z x -oy uni.zip >/dev/null && same_tree y/uni uni
[ "$(mtimes y/uni)" = "$(mtimes uni)" ] || { diff <(mtimes y/uni) <(mtimes uni); fail "7z: times not exact"; }
rm -rf k && mkdir k
wine "$UNZDRIVE" -x "$(winpath "$WORK/k")" "$(winpath "$WORK/uni.zip")" </dev/null >/dev/null 2>&1 || fail "unzdrive uni.zip"
same_tree k/uni uni
[ "$(mtimes k/uni)" = "$(mtimes uni)" ] || { diff <(mtimes k/uni) <(mtimes uni); fail "own engine: times not exact"; }

echo "== an archive in a folder named in another script; bsdtar reads our names too"
# The drivers carry the program's manifest: their command line and file calls are UTF-8.
mkdir -p "Łódź/日本語"
drive 9 -r -p "Łódź/日本語/Привет.zip" uni
check "Łódź/日本語/Привет.zip"
listed_bsdtar=$(u8 bsdtar -tf "Łódź/日本語/Привет.zip")
for n in "uni/café.txt" "uni/naïve/résumé.txt" "uni/日本語.txt" "uni/smile 😀.txt" "uni/Ωmega.txt" "uni/plain.txt"; do
  grep -qxF "$n" <<<"$listed_bsdtar" || { echo "$listed_bsdtar"; fail "bsdtar -t does not show $n"; }
done
rm -rf "Łódź/out" && mkdir "Łódź/out"
wine "$UNZDRIVE" -x "$(winpath "$WORK/Łódź/out")" "$(winpath "$WORK/Łódź/日本語/Привет.zip")" </dev/null >/dev/null 2>&1 ||
  fail "unzdrive in a folder named in another script"
same_tree "Łódź/out/uni" uni

echo "== names from zip (Unicode Path field) and 7z (flag) extracted by our engine"
(cd uni && u8 zip -q -r ../zu.zip .) && (cd uni && u8 7z a -tzip ../7u.zip . >/dev/null)
for a in zu.zip 7u.zip; do
  rm -rf k && mkdir k
  wine "$UNZDRIVE" -x "$(winpath "$WORK/k")" "$(winpath "$WORK/$a")" </dev/null >/dev/null 2>&1 || fail "unzdrive $a"
  same_tree k uni
done

if [ "${KELVORA_LARGE_TESTS:-0}" = 1 ]; then
  echo "== a member of 4.5 GiB (sparse, level 1)"
  mkdir -p big && truncate -s 4608M big/huge.bin && printf 'tail' >> big/huge.bin
  drive 1 -1 big.zip big/huge.bin
  unzip -tq big.zip >/dev/null || fail "unzip -t big.zip"
  listed=$(unzip -Zl big.zip)
  grep -q " 4831838212 " <<<"$listed" || { echo "$listed"; fail "unzip does not list the size"; }
  if [ -f "$BIN/listbench.exe" ]; then # the program's own listing, in its main window
    opened=$(wine "$BIN/listbench.exe" "$(winpath "$WORK/big.zip")" </dev/null 2>&1 | tr -d '\r')
    grep -qx "members 1 rows 1" <<<"$opened" || { echo "$opened"; fail "the program does not list big.zip"; }
  fi
  rm -rf k && mkdir k
  wine "$UNZDRIVE" -x "$(winpath "$WORK/k")" "$(winpath "$WORK/big.zip")" </dev/null >/dev/null 2>&1 || fail "unzdrive big.zip"
  [ "$(md5sum < k/huge.bin)" = "$(md5sum < big/huge.bin)" ] || fail "4.5 GiB member changed"
  rm -rf k big big.zip
fi

echo "== device names and a FIFO among the sources"
# Made on the Unix side, where these are plain names; the engine must neither open a device
# nor read the FIFO (either would wait forever), and says why for each.
mkdir -p dev/sub
for n in aux aux.txt com1 nul NUL.txt con.txt 'conin$' prn lpt1 sub/COM2.log; do
  echo hello > "dev/$n"
done
mkfifo dev/fifo
echo "kept" > dev/ok.txt
echo "kept too" > dev/sub/ok2.txt
out=$(timeout 60 wine "$BIN/zipdrive.exe" -r -p dev.zip dev </dev/null 2>&1 | tr -d '\r') ||
  fail "adding the device names did not finish: $out"
grep -qx "result: 4" <<<"$out" || { echo "$out"; fail "device names: not just the 4 others added"; }
[ "$(grep -c '^message 13:' <<<"$out")" = 11 ] || { echo "$out"; fail "device names: not one message each"; }
for n in aux aux.txt com1 nul NUL.txt con.txt 'conin$' prn lpt1 COM2.log fifo; do
  grep "^message 13:" <<<"$out" | grep -qF "$n" || fail "no message naming $n"
done
[ "$(unzip -Z1 dev.zip | sort | tr '\n' ' ')" = "dev/ dev/ok.txt dev/sub/ dev/sub/ok2.txt " ] ||
  fail "device names: wrong members $(unzip -Z1 dev.zip)"
ls | grep -q '^~kz' && fail "temporary file left after refusing device names"
rm -rf dev

echo "== more than 65535 members"
python3 - <<'PY'
import os
for d in range(70):
    os.makedirs(f"many/d{d:02}", exist_ok=True)
    for f in range(1000):
        with open(f"many/d{d:02}/f{f:03}.txt", "w") as h:
            h.write(f"{d} {f}\n")
PY
drive 70071 -r -p -6 many.zip many
check many.zip
[ "$(unzip -Z1 many.zip | wc -l)" = 70071 ] || fail "member count"
grep -qx "69 999" <(unzip -p many.zip many/d69/f999.txt) || fail "last member content"

echo "== full disk"
drive 6 -r -p docs.zip src/docs # small enough for the 1 MB disk; large.bin is not
mkdir -p small
if mount -t tmpfs -o size=1m tmpfs small 2>/dev/null; then
  MOUNTED="$WORK/small"
  cp docs.zip small/archive.zip
  cp small/archive.zip before.zip
  out=$(wine "$BIN/zipdrive.exe" -0 "$(winpath "$WORK/small/archive.zip")" src/bin/large.bin </dev/null 2>&1 | tr -d '\r' || true)
  how="a 1 MB tmpfs"
else
  cp docs.zip small/archive.zip
  cp small/archive.zip before.zip
  # Without root: writes past 2 MB fail (SIGXFSZ ignored, so write() returns EFBIG).
  out=$( (trap '' XFSZ; ulimit -f 2048; wine "$BIN/zipdrive.exe" -0 "$(winpath "$WORK/small/archive.zip")" src/bin/large.bin </dev/null 2>&1 | tr -d '\r') || true)
  how="a 2 MB file-size limit"
fi
echo "$out"
grep -qx "result: 0" <<<"$out" || fail "add to a full disk ($how) did not fail"
grep -q "^message 1[45]:\|^message 7:" <<<"$out" || fail "no disk-full message ($how)"
cmp small/archive.zip before.zip || fail "archive changed by a failed add ($how)"
grep -qi '^~kz' <(ls small) && fail "temporary file left on the full disk ($how)"
check small/archive.zip
echo "full disk checked with $how"

echo "PASS"
