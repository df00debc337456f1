#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"
kelvora_build
kelvora_wine_env
trap kelvora_wine_stop EXIT
ctest --test-dir "$BUILD" --output-on-failure -j2 --timeout 600
