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

# The 64-bit compiler and Wine build and test the same sources on machines that cannot run
# 32-bit code (see scripts/common.sh).
for p in cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
         mingw-w64-i686-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
         binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev wine wine32:i386 wine64 xvfb xauth \
         x11-utils googletest libz-mingw-w64-dev \
         imagemagick zip unzip p7zip-full libarchive-tools clang libclang-rt-14-dev zlib1g-dev \
         python3 bc time tzdata locales ccache; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# The name and password tests run again under German and Russian users' locales.
missing_locales=()
for l in de_DE.UTF-8 ru_RU.UTF-8; do
  locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || missing_locales+=("$l")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  for l in "${missing_locales[@]}"; do
    grep -qx "$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" >>/etc/locale.gen
  done
  locale-gen >/dev/null
fi
