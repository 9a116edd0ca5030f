#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless: the unit tests
# on the offscreen platform, then the real-window tests under Xvfb with openbox
# and (label wayland) under a private headless sway or GNOME.
# Then the program is built as it is packaged, its installed tree checked, and
# the Debian package installed, started and removed again. Then each fuzz
# target runs for a short time (KELPO_FUZZ_SECONDS, default 20) and the whole
# suite runs again built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" test
"$root/scripts/build.sh"

echo "== unit tests (offscreen)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" -L unit --output-on-failure -j"$(nproc)"

echo "== real-window tests (Xvfb + openbox; headless sway and GNOME)"
"$root/scripts/with-x11.sh" ctest --test-dir "$dir" -L x11 --output-on-failure
ctest --test-dir "$dir" -L wayland --output-on-failure

echo "== install tree and Debian package"
"$root/scripts/check-install.sh"

echo "== fuzz targets (${KELPO_FUZZ_SECONDS:-20} s each)"
"$root/scripts/fuzz.sh" "${KELPO_FUZZ_SECONDS:-20}"

echo "== whole suite with AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/sanitize.sh"
