#!/usr/bin/env bash
# Installs what is missing, builds both flavours and runs every test under Wine: all of them
# on the 64-bit product, and on the 32-bit flavour too where this machine can run it.
set -euo pipefail
source "$(dirname "$0")/common.sh"
kelvora_build
kelvora_build_32bit_flavour
kelvora_wine_env
trap kelvora_wine_stop EXIT
ctest --test-dir "$BUILD" --output-on-failure -j2 --timeout 600
if [ "$KELVORA_ARCH" = x86_64 ] && kelvora_runs_32bit; then
  kelvora_wine_stop
  KELVORA_ARCH=i686
  kelvora_flavour
  kelvora_wine_env
  ctest --test-dir "$BUILD" --output-on-failure -j2 --timeout 600
fi
