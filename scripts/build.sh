#!/usr/bin/env bash
# Configures and builds Kelpo into ./build (or $KELPO_BUILD_DIR).
# KELPO_BUILD_TYPE (default RelWithDebInfo) and KELPO_BUILD_TESTING (default
# ON: the tests and benchmarks too; OFF: the program alone) choose what.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_BUILD_DIR:-$root/build}
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${KELPO_BUILD_TYPE:-RelWithDebInfo}" \
  -DBUILD_TESTING="${KELPO_BUILD_TESTING:-ON}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
