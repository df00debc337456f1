#!/usr/bin/env bash
# Builds and starts Kelvora 98 under Wine, optionally on an archive: scripts/run.sh [archive]
set -euo pipefail
source "$(dirname "$0")/common.sh"
kelvora_build
arg=()
if [ $# -gt 0 ]; then
  # Hand the archive over as a Windows path: Wine maps drive Z: to the root folder.
  full=$(realpath -m "$1")
  arg=("Z:${full//\//\\}")
fi
kelvora_wine_env
trap kelvora_wine_stop EXIT
wine "$BUILD/bin/Kelvora98.exe" "${arg[@]}"
