#!/usr/bin/env bash
# Archives written by Info-ZIP zip and 7-Zip (deflated, stored, ZIP64, streamed with data
# descriptors, encrypted, with a comment) are put behind the stub as a conversion does; unzip
# -t and 7z t must accept the program, and the program run unattended under Wine must unpack the
# same files unzip extracts from the original archive.
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

for a in deflate store zip64 7z comment streamed; do
  check "$a"
done
check encrypted "pass word"
exit $fail
