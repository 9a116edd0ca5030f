#!/usr/bin/env bash
# Builds the program alone as it is packaged (Release, no tests) into
# ./build-pkg (or $KELPO_PKG_DIR) and makes the Debian package there with
# CPack; prints the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_PKG_DIR:-$root/build-pkg}
KELPO_BUILD_DIR=$dir KELPO_BUILD_TYPE=Release KELPO_BUILD_TESTING=OFF \
  "$root/scripts/build.sh" -DCMAKE_INSTALL_PREFIX=/usr >&2
rm -f "$dir"/kelpo_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$dir"/kelpo_*.deb
