#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine (run as root).
# Does nothing when everything is already there.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  NEED_UPDATE=1
fi

for p in cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
         mingw-w64-i686-dev wine wine32:i386 xvfb xauth x11-utils googletest libz-mingw-w64-dev \
         imagemagick zip unzip p7zip-full libarchive-tools clang libclang-rt-14-dev zlib1g-dev \
         python3 bc time tzdata; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
