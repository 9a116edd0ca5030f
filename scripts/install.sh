#!/usr/bin/env bash
# Installs Kelpo for the current user into ~/.local (or $KELPO_PREFIX), so it
# appears in the desktop's menu with its icon: the program, its launcher, the
# icon, the AppStream entry, the help page and the manual page. Builds the
# program alone (Release, no tests) in ./build-release first.
#   scripts/install.sh            install (again: update)
#   scripts/install.sh --remove   remove what was installed; the data folder
#                                 ($XDG_DATA_HOME/Kelpo) is kept
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${KELPO_PREFIX:-$HOME/.local}
dir=${KELPO_BUILD_DIR:-$root/build-release}
# The list of installed files, kept with them for the removal.
manifest=$prefix/share/doc/kelpo/installed-files.txt

# Menus and icon themes notice the change.
refresh() {
  if command -v update-desktop-database >/dev/null && [ -d "$prefix/share/applications" ]; then
    update-desktop-database -q "$prefix/share/applications" || true
  fi
  local icons=$prefix/share/icons/hicolor
  if [ -f "$icons/icon-theme.cache" ] && command -v gtk-update-icon-cache >/dev/null; then
    gtk-update-icon-cache -q -t -f "$icons" || true
  elif [ -d "$icons" ]; then
    touch "$icons"
  fi
}

if [ "${1:-}" = --remove ]; then
  if [ ! -f "$manifest" ]; then
    echo "Kelpo is not installed in $prefix (no $manifest)." >&2
    exit 1
  fi
  while IFS= read -r file || [ -n "$file" ]; do
    case $file in
      "$prefix"/*) rm -f -- "$file" ;;
    esac
  done <"$manifest"
  rm -f -- "$manifest"
  rmdir "$prefix/share/doc/kelpo" 2>/dev/null || true
  refresh
  echo "Kelpo is removed from $prefix. Your data in ${XDG_DATA_HOME:-$HOME/.local/share}/Kelpo is kept."
  exit 0
fi
[ $# -eq 0 ] || { echo "usage: $0 [--remove]" >&2; exit 2; }

"$root/scripts/install-deps.sh" build
KELPO_BUILD_DIR=$dir KELPO_BUILD_TYPE=Release KELPO_BUILD_TESTING=OFF \
  "$root/scripts/build.sh" -DCMAKE_INSTALL_PREFIX="$prefix"
cmake --install "$dir" --strip >/dev/null
cp "$dir/install_manifest.txt" "$manifest"
refresh
echo "Kelpo is installed in $prefix: start it from the desktop's menu, or as $prefix/bin/kelpo."
