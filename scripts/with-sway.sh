#!/usr/bin/env bash
# Runs a command inside a private headless sway (a wlroots Wayland compositor)
# with WAYLAND_DISPLAY, SWAYSOCK and QT_QPA_PLATFORM=wayland set, and without
# DISPLAY. sway refuses to run as root, so as root everything runs as the
# unprivileged user kelpo-wayland (created when missing). Where sway cannot
# run, the command still runs, on the offscreen platform with
# KELPO_NO_WAYLAND set to the reason, so that a test can skip saying why.
set -uo pipefail
user=kelpo-wayland

no_wayland() {
  echo "with-sway: $1" >&2
  export KELPO_NO_WAYLAND="$1" QT_QPA_PLATFORM=offscreen
  unset WAYLAND_DISPLAY
  shift
  exec "$@"
}

if ! command -v sway >/dev/null 2>&1; then
  no_wayland "sway is not installed (scripts/install-deps.sh test installs it)" "$@"
fi
if [ "$(id -u)" -eq 0 ]; then
  id "$user" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" 2>/dev/null
  id "$user" >/dev/null 2>&1 || no_wayland "there is no unprivileged user to run sway as" "$@"
  exec runuser -u "$user" -- "$0" "$@"
fi

tmp=$(mktemp -d)
sway_pid=
cleanup() {
  if [ -n "$sway_pid" ]; then
    kill "$sway_pid" 2>/dev/null
    for _ in $(seq 100); do kill -0 "$sway_pid" 2>/dev/null || break; sleep 0.02; done
    kill -9 "$sway_pid" 2>/dev/null
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
cat >"$tmp/sway.conf" <<'CONF'
xwayland disable
output HEADLESS-1 resolution 1280x800
focus_follows_mouse no
default_border none
CONF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$tmp/sway.conf" >"$tmp/sway.log" 2>&1 &
sway_pid=$!
socket= ipc=
for _ in $(seq 500); do
  socket=$(cd "$XDG_RUNTIME_DIR" && ls wayland-[0-9] 2>/dev/null | head -1)
  ipc=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1)
  [ -n "$socket" ] && [ -n "$ipc" ] && break
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.02
done
if [ -z "$socket" ] || [ -z "$ipc" ]; then
  reason="sway did not start: $(tail -1 "$tmp/sway.log")"
  cleanup
  trap - EXIT
  no_wayland "$reason" "$@"
fi
# A whole path: programs started with another XDG_RUNTIME_DIR still find it.
export WAYLAND_DISPLAY=$XDG_RUNTIME_DIR/$socket SWAYSOCK=$ipc QT_QPA_PLATFORM=wayland
"$@"
