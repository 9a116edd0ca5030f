#!/usr/bin/env bash
# Installs what is missing, builds the program alone (Release, no tests) into
# ./build-release (or $KELPO_BUILD_DIR) and starts Kelpo. Arguments go to Kelpo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_BUILD_DIR:-$root/build-release}
"$root/scripts/install-deps.sh" build
KELPO_BUILD_DIR=$dir KELPO_BUILD_TYPE=${KELPO_BUILD_TYPE:-Release} KELPO_BUILD_TESTING=OFF "$root/scripts/build.sh"
exec "$dir/bin/kelpo" "$@"
