#!/usr/bin/env bash
# Archives written by Info-ZIP zip and 7-Zip (deflated, stored, ZIP64, streamed with data
# descriptors, encrypted, behind a stub, with a comment; WinZip AES, Deflate64, mixed methods)
# are extracted by KUNZENG.DLL under Wine through unzdrive and compared with the originals;
# each is also tested (also ones zip encrypted with a password in older code pages). Wrong passwords
# and damaged AES members leave nothing under their names.
# Usage: interop.sh path/to/unzdrive.exe   (run with the Wine environment of scripts/common.sh)
set -euo pipefail
DRIVE=$1
WORK=$(mktemp -d /tmp/kunz-interop.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail=0

win() { echo "Z:${1//\//\\}"; }

# The tree: text, random and already-compressed data, empty files and folders, odd names.
SRC=$WORK/src
mkdir -p "$SRC/docs/deep/er" "$SRC/bin" "$SRC/empty dir" "$SRC/names"
seq 1 200000 > "$SRC/docs/numbers.txt"
head -c 3000000 /dev/urandom > "$SRC/bin/random.bin"
gzip -c "$SRC/docs/numbers.txt" > "$SRC/bin/numbers.gz"
: > "$SRC/docs/empty.txt"
echo "deep" > "$SRC/docs/deep/er/file.txt"
echo "spaces" > "$SRC/names/with spaces.txt"
echo "unicode" > "$SRC/names/ünïcödé.txt"
head -c 40000 /dev/zero > "$SRC/bin/zeros.dat"
for i in $(seq 1 60); do echo "small $i" > "$SRC/docs/deep/s$i.txt"; done

make_archives() {
  cd "$SRC"
  zip -qr -X "$WORK/zip-deflate.zip" .
  zip -qr -0 -X "$WORK/zip-store.zip" .
  zip -qr -9 -fz -X "$WORK/zip-zip64.zip" .
  zip -qr -P "pass word" -X "$WORK/zip-encrypted.zip" .
  7z a -bd -tzip -mx=9 "$WORK/7z-max.zip" . >/dev/null
  7z a -bd -tzip -mx=0 "$WORK/7z-store.zip" . >/dev/null
  7z a -bd -tzip -mx=5 -p"pass word" -mem=ZipCrypto "$WORK/7z-encrypted.zip" . >/dev/null
  # A stub in front, offsets not adjusted (as `cat stub a.zip` makes it), and a comment.
  { head -c 12345 /dev/urandom; cat "$WORK/zip-deflate.zip"; } > "$WORK/zip-stub.zip"
  cp "$WORK/zip-deflate.zip" "$WORK/zip-comment.zip"
  echo "an archive comment" | zip -q -z "$WORK/zip-comment.zip"
  cd - >/dev/null
}
make_archives

# Data descriptors: zip writes them when it streams to a pipe.
mkdir -p "$WORK/streamed-src"
cp "$SRC/docs/numbers.txt" "$SRC/bin/random.bin" "$WORK/streamed-src/"
(cd "$WORK/streamed-src" && zip -q -X - numbers.txt random.bin | cat > "$WORK/zip-streamed.zip")

check() {
  local archive=$1 expected=$2 password=${3:-}
  local name out args=()
  name=$(basename "$archive" .zip)
  out=$WORK/out-$name
  [ -n "$password" ] && args=(-P "$password")
  if ! wine "$DRIVE" -x "$(win "$out")" "${args[@]}" "$(win "$archive")" > "$WORK/$name.log" 2>&1; then
    echo "FAIL $name: extraction reported problems:"; cat "$WORK/$name.log"; fail=1; return
  fi
  if ! diff -r "$expected" "$out" > "$WORK/$name.diff"; then
    echo "FAIL $name: extracted tree differs:"; head -20 "$WORK/$name.diff"; fail=1; return
  fi
  if ! wine "$DRIVE" -t "${args[@]}" "$(win "$archive")" > "$WORK/$name.test.log" 2>&1; then
    echo "FAIL $name: test reported problems:"; cat "$WORK/$name.test.log"; fail=1; return
  fi
  local files
  files=$(find "$expected" -type f | wc -l)
  if ! grep -q "^processed $files files" "$WORK/$name.test.log"; then
    echo "FAIL $name: expected $files files tested:"; cat "$WORK/$name.test.log"; fail=1; return
  fi
  echo "ok   $name ($files files)"
}

for a in zip-deflate zip-store zip-zip64 7z-max 7z-store zip-stub zip-comment; do
  check "$WORK/$a.zip" "$SRC"
done
check "$WORK/zip-encrypted.zip" "$SRC" "pass word"
check "$WORK/7z-encrypted.zip" "$SRC" "pass word"
check "$WORK/zip-streamed.zip" "$WORK/streamed-src"
# bsdtar archiving "." writes a folder entry "./" first: the extraction folder itself.
(cd "$SRC" && bsdtar -a -cf "$WORK/bsdtar-dot.zip" .)
check "$WORK/bsdtar-dot.zip" "$SRC"

# AES and Deflate64, as 7-Zip writes them.
source "$(dirname "$0")/../strong-archives.sh"
make_strong_archives
for a in aes128 aes256 aes256-stored zipcrypto deflate64-aes192; do
  check "$WORK/$a.zip" "$STRONG_SRC" "$STRONG_PASSWORD"
done
for a in deflate64 mixed; do
  check "$WORK/$a.zip" "$STRONG_SRC"
done

# expect_refused NAME ARCHIVE PASSWORD MEMBER TEXT: extracting reports MEMBER with TEXT, leaves
# nothing under its name, and every other member arrives intact.
expect_refused() {
  local name=$1 archive=$2 password=$3 member=$4 text=$5 out=$WORK/refused-$1
  wine "$DRIVE" -x "$(win "$out")" -P "$password" "$(win "$archive")" > "$WORK/$name.log" 2>&1 || true
  if ! grep -F "\"$member\"" "$WORK/$name.log" | grep -qF "$text"; then
    echo "FAIL $name: no message \"$text\" for $member:"; cat "$WORK/$name.log"; fail=1; return
  fi
  if [ -e "$out/$member" ] || [ -n "$(find "$out" -name '*.~kz*' 2>/dev/null)" ]; then
    echo "FAIL $name: $member (or a temporary file) was left"; fail=1; return
  fi
  local f missing=0
  while IFS= read -r f; do
    [ "$f" = "$member" ] && continue
    cmp -s "$STRONG_SRC/$f" "$out/$f" || missing=1
  done < <(cd "$STRONG_SRC" && find . -type f | sed 's|^\./||')
  if [ "$missing" -ne 0 ]; then
    echo "FAIL $name: the other members were not all extracted intact"; fail=1; return
  fi
  echo "ok   $name"
}

cp "$WORK/aes256-stored.zip" "$WORK/tampered.zip"
strong_damage "$WORK/tampered.zip" bin/random.bin tamper
expect_refused tampered "$WORK/tampered.zip" "$STRONG_PASSWORD" bin/random.bin \
  "authentication code does not match"
cp "$WORK/aes256.zip" "$WORK/shortened.zip"
strong_damage "$WORK/shortened.zip" docs/numbers.txt shorten
expect_refused shortened "$WORK/shortened.zip" "$STRONG_PASSWORD" docs/numbers.txt \
  "too short for its AES encryption"
out=$WORK/out-wrong
wine "$DRIVE" -x "$(win "$out")" -P "not it" "$(win "$WORK/aes256.zip")" > "$WORK/wrong.log" 2>&1 || true
if [ -n "$(find "$out" -type f 2>/dev/null)" ] || ! grep -q 'wrong password for "bin/random.bin"' "$WORK/wrong.log"; then
  echo "FAIL wrong password: files were written or the member was not named:"; cat "$WORK/wrong.log"; fail=1
else
  echo "ok   wrong password"
fi

# Passwords beyond ASCII as older tools stored them: zip encrypts with the argument's raw
# bytes, here "Müller" in cp1252 (an old Windows tool) and in cp850 (a DOS-era one; the
# C locale's OEM page, 437, spells "ü" alike). Both open with "Müller" typed (UTF-8). (This
# 7-Zip refuses passwords beyond ASCII; the engine tests cover AES with its own archives.)
LEGACY_SRC=$WORK/legacy-src
mkdir -p "$LEGACY_SRC"
seq 1 5000 > "$LEGACY_SRC/numbers.txt"
(cd "$LEGACY_SRC" && zip -q -X -P $'M\xfcller' "$WORK/legacy-ansi.zip" numbers.txt)
(cd "$LEGACY_SRC" && zip -q -X -P $'M\x81ller' "$WORK/legacy-oem.zip" numbers.txt)
for a in legacy-ansi legacy-oem; do
  check "$WORK/$a.zip" "$LEGACY_SRC" 'Müller'
done

# A killed extraction leaves no partial file under a member's name: the data goes to a
# temporary name first, renamed only once its CRC is checked.
mkdir -p "$WORK/kill-src"
head -c 200000000 /dev/urandom > "$WORK/kill-src/big.bin"
(cd "$WORK/kill-src" && zip -q -0 -X "$WORK/kill.zip" big.bin)
killed=$WORK/out-killed
mkdir -p "$killed"
wine "$DRIVE" -x "$(win "$killed")" "$(win "$WORK/kill.zip")" > "$WORK/kill.log" 2>&1 &
pid=$!
for _ in $(seq 1 400); do
  [ -n "$(ls -A "$killed")" ] && [ "$(du -sk "$killed" | cut -f1)" -gt 1000 ] && break
  sleep 0.05
done
kill -9 "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
if [ -e "$killed/big.bin" ] && ! cmp -s "$killed/big.bin" "$WORK/kill-src/big.bin"; then
  echo "FAIL killed: a partial big.bin was left under its own name"; ls -l "$killed"; fail=1
else
  echo "ok   killed extraction ($(ls "$killed" | tr '\n' ' '))"
fi
exit $fail
