#!/usr/bin/env bash
# Archives written by Info-ZIP zip, 7-Zip and bsdtar (deflated, stored, ZIP64, streamed with data
# descriptors, encrypted, with a comment) are put behind the stub as a conversion does; unzip
# -t and 7z t must accept the program, and the program run unattended under Wine must unpack the
# same files unzip extracts from the original archive. Archives 7-Zip writes with WinZip AES
# and Deflate64 (which unzip cannot read) must unpack to the tree they were made from, and a
# wrong password or a tampered member must leave nothing under its name.
# Usage: interop.sh path/to/KSFX.BIN   (run with the Wine environment of scripts/common.sh)
set -euo pipefail
STUB=$1
WORK=$(mktemp -d /tmp/ksfx-interop.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail=0

win() { echo "Z:${1//\//\\}"; }

SRC=$WORK/src
mkdir -p "$SRC/docs/deep" "$SRC/bin" "$SRC/empty dir" "$SRC/names"
seq 1 100000 > "$SRC/docs/numbers.txt"
head -c 1500000 /dev/urandom > "$SRC/bin/random.bin"
: > "$SRC/docs/empty.txt"
echo "deep" > "$SRC/docs/deep/file.txt"
echo "spaces" > "$SRC/names/with spaces.txt"
echo "unicode" > "$SRC/names/ünïcödé.txt"

(
  cd "$SRC"
  zip -qr -X "$WORK/deflate.zip" .
  zip -qr -0 -X "$WORK/store.zip" .
  zip -qr -fz -X "$WORK/zip64.zip" .
  zip -qr -P "pass word" -X "$WORK/encrypted.zip" .
  7z a -bd -tzip -mx=9 "$WORK/7z.zip" . >/dev/null
  cp "$WORK/deflate.zip" "$WORK/comment.zip"
  echo "an archive comment" | zip -q -z "$WORK/comment.zip"
  zip -q -X - docs/numbers.txt bin/random.bin | cat > "$WORK/streamed.zip"
  # bsdtar archiving "." writes a folder entry "./" first: the target folder itself.
  bsdtar -a -cf "$WORK/bsdtar-dot.zip" .
)

check() {
  local name=$1 password=${2:-}
  local zip=$WORK/$name.zip exe=$WORK/$name.exe args=()
  cat "$STUB" "$zip" > "$exe"
  [ -n "$password" ] && args=("/p:$password")
  # unzip warns (status 1) about the stub's bytes in front, whose length the stored offsets
  # do not count; the members themselves must test clean.
  unzip -t ${password:+-P "$password"} "$exe" > "$WORK/$name.unzip.log" 2>&1 || true
  if ! grep -q "^No errors detected" "$WORK/$name.unzip.log"; then
    echo "FAIL $name: unzip -t rejects the program:"; cat "$WORK/$name.unzip.log"; fail=1; return
  fi
  if ! 7z t ${password:+-p"$password"} "$exe" > "$WORK/$name.7z.log" 2>&1; then
    echo "FAIL $name: 7z t rejects the program:"; tail -5 "$WORK/$name.7z.log"; fail=1; return
  fi
  mkdir -p "$WORK/expected-$name"
  unzip -qq ${password:+-P "$password"} "$zip" -d "$WORK/expected-$name"
  local status=0
  wine "$exe" /s "/d:$(win "$WORK/out-$name")" "${args[@]}" > "$WORK/$name.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "FAIL $name: the program exited with $status:"; cat "$WORK/$name.log"; fail=1; return
  fi
  if ! diff -r "$WORK/expected-$name" "$WORK/out-$name" > "$WORK/$name.diff"; then
    echo "FAIL $name: unpacked tree differs:"; head -20 "$WORK/$name.diff"; fail=1; return
  fi
  echo "ok   $name"
}

for a in deflate store zip64 7z comment streamed bsdtar-dot; do
  check "$a"
done
check encrypted "pass word"

source "$(dirname "$0")/../strong-archives.sh"
make_strong_archives

# run_stub NAME PASSWORD: the archive behind the stub, accepted by 7z, unpacked unattended.
run_stub() {
  local name=$1 password=$2 exe=$WORK/$1.exe
  cat "$STUB" "$WORK/$name.zip" > "$exe"
  if ! 7z t ${password:+-p"$password"} "$exe" > "$WORK/$name.7z.log" 2>&1; then
    echo "FAIL $name: 7z t rejects the program:"; tail -5 "$WORK/$name.7z.log"; return 1
  fi
  status=0
  wine "$exe" /s "/d:$(win "$WORK/out-$name")" ${password:+"/p:$password"} > "$WORK/$name.log" 2>&1 ||
    status=$?
}

for a in aes128 aes256 aes256-stored deflate64-aes192 deflate64 mixed; do
  password=$STRONG_PASSWORD
  case $a in deflate64 | mixed) password= ;; esac
  run_stub "$a" "$password" || { fail=1; continue; }
  if [ "$status" -ne 0 ] || ! diff -r "$STRONG_SRC" "$WORK/out-$a" > "$WORK/$a.diff"; then
    echo "FAIL $a: exit $status, or the unpacked tree differs:"; cat "$WORK/$a.log"
    head -20 "$WORK/$a.diff"; fail=1; continue
  fi
  echo "ok   $a"
done

cp "$WORK/aes256-stored.zip" "$WORK/tampered.zip"
strong_damage "$WORK/tampered.zip" bin/random.bin tamper
status=0
cat "$STUB" "$WORK/tampered.zip" > "$WORK/tampered.exe"
wine "$WORK/tampered.exe" /s "/d:$(win "$WORK/out-tampered")" "/p:$STRONG_PASSWORD" \
  > "$WORK/tampered.log" 2>&1 || status=$?
if [ "$status" -ne 1 ] || [ -e "$WORK/out-tampered/bin/random.bin" ] ||
   ! grep -q 'random.bin.*authentication code' "$WORK/tampered.log" ||
   ! cmp -s "$STRONG_SRC/docs/numbers.txt" "$WORK/out-tampered/docs/numbers.txt"; then
  echo "FAIL tampered: exit $status:"; cat "$WORK/tampered.log"; fail=1
else
  echo "ok   tampered"
fi

cp "$WORK/aes256.exe" "$WORK/wrong.exe"
status=0
wine "$WORK/wrong.exe" /s "/d:$(win "$WORK/out-wrong")" "/p:not it" > "$WORK/wrong.log" 2>&1 ||
  status=$?
if [ "$status" -eq 0 ] || [ -n "$(find "$WORK/out-wrong" -type f 2>/dev/null)" ]; then
  echo "FAIL wrong password: exit $status, files:"; find "$WORK/out-wrong" -type f; fail=1
else
  echo "ok   wrong password"
fi
exit $fail
