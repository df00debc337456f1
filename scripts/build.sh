#!/usr/bin/env bash
# Installs what is missing and builds the program, the engines and the tests.
set -euo pipefail
source "$(dirname "$0")/common.sh"
kelvora_build
