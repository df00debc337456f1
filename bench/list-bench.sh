#!/usr/bin/env bash
# Opening a 100,000-member archive: our listing up to a filled list, against `unzip -l`.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
kelvora_build >/dev/null
out="$ROOT/bench/out"
mkdir -p "$out"
archive="$out/members100k.zip"
if [ ! -f "$archive" ]; then
  python3 - "$archive" <<'PY'
import sys, zipfile, random
random.seed(7)
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(100000):
        folder = f"dir{i % 97:02d}/sub{i % 13}/"
        ext = random.choice([".txt", ".c", ".h", ".bmp", ".dll", ".exe", ".html", ".gif"])
        z.writestr(folder + f"file{i:06d}{ext}", f"member {i} " * random.randint(1, 20))
PY
fi
kelvora_wine_env
trap kelvora_wine_stop EXIT
echo "== Kelvora 98 (under Wine)"
wine "$BUILD/bin/listbench.exe" "Z:${archive//\//\\}"
echo "== unzip -l"
/usr/bin/time -f "unzip -l %e s" unzip -l "$archive" >/dev/null
