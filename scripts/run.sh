#!/usr/bin/env bash
# Installs what is missing, builds and starts Kelpo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" build
"$root/scripts/build.sh"
exec "${KELPO_BUILD_DIR:-$root/build}/bin/kelpo"
