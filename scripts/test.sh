#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless: the unit tests
# on the offscreen platform, then the real-window tests under Xvfb with openbox.
# Then each fuzz target runs for a short time (KELPO_FUZZ_SECONDS, default 20)
# and the whole suite runs again built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" test
"$root/scripts/build.sh"

echo "== unit tests (offscreen)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" -L unit --output-on-failure -j"$(nproc)"

echo "== real-window tests (Xvfb + openbox)"
"$root/scripts/with-x11.sh" ctest --test-dir "$dir" -L x11 --output-on-failure

echo "== fuzz targets (${KELPO_FUZZ_SECONDS:-20} s each)"
"$root/scripts/fuzz.sh" "${KELPO_FUZZ_SECONDS:-20}"

echo "== whole suite with AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/sanitize.sh"
