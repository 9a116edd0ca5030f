#!/usr/bin/env bash
# Configures and builds Kelpo into ./build (or $KELPO_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=${KELPO_BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$dir" -j"$(nproc)"
