#!/usr/bin/env bash
# Proves that the README's two commands work on a bare Debian 12 system: builds a minimal
# root with debootstrap, clones this repository into it, runs the test command there with
# an empty environment (no LANG), then starts the program and looks for its window.
# Needs root and the Debian mirror; takes several minutes. Not part of the test run.
#   scripts/check-minimal-debian.sh [root-folder]     (default /var/tmp/kelvora-minimal)
# Prints one line with the outcome; the full log is in <root-folder>.log.
set -uo pipefail

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TARGET=${1:-/var/tmp/kelvora-minimal}
LOG="$TARGET.log"
MIRROR=${KELVORA_MIRROR:-http://deb.debian.org/debian}
: >"$LOG"

mounted=()
cleanup() {
  # Stop whatever the chroot left running, then unmount in reverse order.
  if [ -d "$TARGET/proc" ]; then
    for p in /proc/[0-9]*; do
      [ "$(readlink "$p/root" 2>/dev/null)" = "$TARGET" ] && kill -9 "${p#/proc/}" 2>/dev/null
    done
  fi
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2>/dev/null; done
}
trap cleanup EXIT

outcome() {
  echo "minimal Debian 12: $1 (log: $LOG)"
  exit "$2"
}

step() { echo "== $*" >>"$LOG"; }

if ! command -v debootstrap >/dev/null; then
  step "installing debootstrap"
  { apt-get update -qq && apt-get install -y -qq debootstrap; } >>"$LOG" 2>&1 ||
    outcome "FAILED: cannot install debootstrap" 1
fi

if [ ! -x "$TARGET/bin/bash" ]; then
  step "debootstrap into $TARGET"
  rm -rf "$TARGET"
  debootstrap --variant=minbase bookworm "$TARGET" "$MIRROR" >>"$LOG" 2>&1 ||
    outcome "FAILED: debootstrap" 1
fi

for m in proc sys dev dev/pts; do
  mkdir -p "$TARGET/$m"
  case $m in
    proc) mount -t proc proc "$TARGET/proc" ;;
    sys) mount -t sysfs sys "$TARGET/sys" ;;
    dev) mount --bind /dev "$TARGET/dev" ;;
    dev/pts) mount -t devpts devpts "$TARGET/dev/pts" ;;
  esac && mounted+=("$TARGET/$m")
done
mount -t tmpfs tmpfs "$TARGET/dev/shm" 2>/dev/null && mounted+=("$TARGET/dev/shm")
cp -L /etc/resolv.conf "$TARGET/etc/resolv.conf" 2>/dev/null

step "cloning $REPO"
rm -rf "$TARGET/root/kelvora"
git clone -q --no-local "$REPO" "$TARGET/root/kelvora" >>"$LOG" 2>&1 ||
  outcome "FAILED: git clone" 1

# As a new user would: root, a bare environment, no locale.
in_root() {
  chroot "$TARGET" /usr/bin/env -i HOME=/root TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

step "scripts/test.sh"
if ! in_root bash -c 'cd /root/kelvora && bash scripts/test.sh' >>"$LOG" 2>&1; then
  summary=$(grep -E 'tests passed|tests failed' "$LOG" | tail -n1)
  outcome "FAILED: scripts/test.sh ${summary:+($summary)}" 1
fi

step "scripts/run.sh"
in_root bash -c '
  cd /root/kelvora
  Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  sleep 2
  DISPLAY=:77 timeout 120 bash scripts/run.sh >/dev/null 2>&1 &
  for _ in $(seq 1 90); do
    sleep 1
    if DISPLAY=:77 xwininfo -root -tree 2>/dev/null | grep -q "\"Kelvora 98\""; then
      echo "window found"; exit 0
    fi
  done
  exit 1' >>"$LOG" 2>&1 || outcome "FAILED: scripts/run.sh showed no main window" 1

outcome "all tests passed and the program started" 0
