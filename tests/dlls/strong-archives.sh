#!/usr/bin/env bash
# Sourced by the interop tests: makes, in $WORK, a tree ($WORK/strong-src) and the archives
# 7-Zip writes with WinZip AES (128, 192, 256; stored and deflated), traditional encryption,
# Deflate64 (matches reaching back beyond 32 KiB, lengths over 258) and a mix of methods, with
# names in several scripts. Password: $STRONG_PASSWORD. Also helpers to damage one member.
STRONG_PASSWORD="s3cret pass"
STRONG_SRC=$WORK/strong-src

make_strong_archives() {
  local src=$STRONG_SRC p=$STRONG_PASSWORD
  mkdir -p "$src/docs" "$src/bin" "$src/names"
  seq 1 150000 > "$src/docs/numbers.txt"
  head -c 700000 /dev/urandom > "$src/bin/random.bin"
  : > "$src/docs/empty.txt"
  echo "tiny" > "$src/docs/tiny.txt"
  for n in "Ελληνικά" "Кириллица" "日本語のファイル" "עברית" "Ünïcödé"; do echo "$n" > "$src/names/$n.txt"; done
  # Repeats of random blocks 33-60 KiB back and runs far longer than 258 bytes.
  python3 - "$src/bin/far-matches.bin" <<'PY'
import random, sys
r = random.Random(30)
block = bytes(r.getrandbits(8) for _ in range(60000))
out = [block]
for _ in range(60):
    back = r.randrange(33000, 60000)
    tail = b"".join(out)[-back:]
    out.append(tail[: r.randrange(300, 30000)])
    out.append(bytes([r.randrange(256)]) * r.randrange(259, 70000))
    out.append(bytes(r.getrandbits(8) for _ in range(r.randrange(100, 5000))))
open(sys.argv[1], "wb").write(b"".join(out))
PY
  (
    cd "$src"
    7z a -bd -tzip -mem=AES128 -p"$p" "$WORK/aes128.zip" . >/dev/null
    7z a -bd -tzip -mem=AES256 -mx=9 -p"$p" "$WORK/aes256.zip" . >/dev/null
    7z a -bd -tzip -mem=AES256 -mx=0 -p"$p" "$WORK/aes256-stored.zip" . >/dev/null
    7z a -bd -tzip -mem=ZipCrypto -p"$p" "$WORK/zipcrypto.zip" . >/dev/null
    7z a -bd -tzip -mm=Deflate64 -mx=9 "$WORK/deflate64.zip" . >/dev/null
    7z a -bd -tzip -mm=Deflate64 -mem=AES192 -p"$p" "$WORK/deflate64-aes192.zip" . >/dev/null
    7z a -bd -tzip -mx=0 "$WORK/mixed.zip" docs >/dev/null
    7z a -bd -tzip -mx=9 "$WORK/mixed.zip" bin >/dev/null
    7z a -bd -tzip -mm=Deflate64 "$WORK/mixed.zip" names >/dev/null
  )
}

# strong_damage ARCHIVE MEMBER MODE: "tamper" flips a byte inside the member's encrypted data;
# "shorten" states a compressed size too small for the AES salt, verifier and code.
strong_damage() {
  python3 - "$@" <<'PY'
import struct, sys, zipfile
path, member, mode = sys.argv[1:4]
data = bytearray(open(path, "rb").read())
info = zipfile.ZipFile(path).getinfo(member)
at = info.header_offset
name_len, extra_len = struct.unpack_from("<HH", data, at + 26)
start = at + 30 + name_len + extra_len
if mode == "tamper":
    data[start + 18 + info.compress_size // 2] ^= 0x40
else:
    struct.pack_into("<I", data, at + 18, 5)
    pos = data.find(b"PK\x01\x02")
    while pos >= 0:
        n = struct.unpack_from("<H", data, pos + 28)[0]
        if data[pos + 46:pos + 46 + n].decode("utf-8", "replace") == member:
            struct.pack_into("<I", data, pos + 20, 5)
        pos = data.find(b"PK\x01\x02", pos + 4)
open(path, "wb").write(bytes(data))
PY
}
