#!/usr/bin/env bash
# Builds the program alone as it is packaged (Release, no tests) and the
# Debian package into build-pkg (scripts/package.sh); checks the installed
# tree (files, stripped program, icon sizes, launcher and AppStream
# validators, manual page) and the package's dependencies; installs the
# package with apt, starts the installed program and removes it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_PKG_DIR:-$root/build-pkg}
id=org.example.kelpo.Kelpo
sizes="16 22 24 32 48 64 128 256"
fail() { echo "check-install: $*" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
deb=$(KELPO_PKG_DIR=$dir "$root/scripts/package.sh" 2>"$stage.log") || { cat "$stage.log" >&2; fail "building the package failed"; }
rm -f "$stage.log"
[ -f "$deb" ] || fail "no package was made"
cmake --install "$dir" --prefix "$stage" --strip >/dev/null

echo "-- installed tree"
want=(bin/kelpo "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
      "share/icons/hicolor/scalable/apps/$id.svg" share/doc/kelpo/kelpo.html share/man/man1/kelpo.1.gz)
for s in $sizes; do want+=("share/icons/hicolor/${s}x$s/apps/$id.png"); done
diff <(printf '%s\n' "${want[@]}" | sort) <(cd "$stage" && find . -type f | sed 's|^\./||' | sort) ||
  fail "the installed files differ from the list above (< missing, > unexpected)"
file -b "$stage/bin/kelpo" | grep -q ', stripped' || fail "bin/kelpo is not stripped"
for s in $sizes; do
  file -b "$stage/share/icons/hicolor/${s}x$s/apps/$id.png" | grep -q "PNG image data, $s x $s," ||
    fail "the ${s}x$s icon has another size"
done
grep -qx "Exec=$stage/bin/kelpo" "$stage/share/applications/$id.desktop" ||
  fail "the launcher does not name the installed program"
desktop-file-validate "$stage/share/applications/$id.desktop"
appstreamcli validate-tree --no-net "$stage"
if command -v man >/dev/null; then
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$stage/share/man/man1/kelpo.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "manual page: $warnings"
fi
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/bin/kelpo" --version)" = "Kelpo 1.8.1" ] ||
  fail "the installed program does not tell its version"

echo "-- install for the user and remove again (scripts/install.sh)"
user=$stage/user
KELPO_BUILD_DIR=$dir KELPO_PREFIX=$user "$root/scripts/install.sh" >/dev/null
[ "$(cd "$user" && find . -type f -path '*kelpo*' | wc -l)" -eq $(( ${#want[@]} + 1 )) ] ||
  fail "scripts/install.sh did not install every file"
KELPO_BUILD_DIR=$dir KELPO_PREFIX=$user "$root/scripts/install.sh" --remove >/dev/null
left=$(cd "$user" && find . -type f -path '*kelpo*')
[ -z "$left" ] || fail "scripts/install.sh --remove left $left"

echo "-- Debian package"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$(basename "$deb"): Depends: $depends"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/kelpo | file -b - | grep -q ', stripped' ||
  fail "the program in the package is not stripped"
for need in libqt6widgets6 libqt6network6 libx11-6 libxtst6 libxkbcommon0 libglib2.0-0 xdg-utils; do
  [[ $depends == *"$need"* ]] || fail "the package does not depend on $need"
done

if dpkg-query -W -f='${Status}' kelpo 2>/dev/null | grep -q 'install ok installed'; then
  echo "-- a kelpo package is installed on this machine already: not replacing it for the test"
  exit 0
fi
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "-- installing it with apt, starting it and removing it again"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
status=0
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/kelpo --version) || status=$?
listed=$(dpkg -L kelpo)
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq kelpo >/dev/null
[ "$status" -eq 0 ] && [ "$version" = "Kelpo 1.8.1" ] || fail "/usr/bin/kelpo --version said \"$version\" ($status)"
for path in /usr/bin/kelpo "/usr/share/applications/$id.desktop" /usr/share/doc/kelpo/kelpo.html; do
  grep -qx "$path" <<<"$listed" || fail "the package did not install $path"
done
! [ -e /usr/bin/kelpo ] || fail "/usr/bin/kelpo is still there after the removal"
echo "installed, ran \"$version\", removed"
