#!/usr/bin/env bash
# Builds what the program needs and starts Kelvora 98 under Wine, optionally on an archive:
# scripts/run.sh [archive]. The tests are built by scripts/test.sh.
set -euo pipefail
source "$(dirname "$0")/common.sh"
kelvora_build_program
arg=()
if [ $# -gt 0 ]; then
  # Hand the archive over as a Windows path: Wine maps drive Z: to the root folder.
  full=$(realpath -m "$1")
  arg=("Z:${full//\//\\}")
fi
kelvora_wine_env
trap kelvora_wine_stop EXIT
kelvora_wine_quiet wine "$BUILD/bin/Kelvora98.exe" "${arg[@]}"
