#!/usr/bin/env bash
# Runs a command inside a private headless GNOME-like session: its own
# session bus with accessibility on, pipewire and wireplumber, and mutter
# (headless, Wayland only, one virtual monitor), whose desktop portal
# (xdg-desktop-portal with the GNOME backend) starts on demand on that bus.
# Sets WAYLAND_DISPLAY, DBUS_SESSION_BUS_ADDRESS, QT_QPA_PLATFORM=wayland and
# KELPO_GNOME=1; no DISPLAY. As root everything runs as the unprivileged user
# kelpo-wayland (created when missing). Where the session cannot start, the
# command still runs, on the offscreen platform with KELPO_NO_WAYLAND set to
# the reason, so that a test can skip saying why. Every process of the
# session is stopped by its id at the end.
set -uo pipefail
user=kelpo-wayland

no_wayland() {
  echo "with-gnome: $1" >&2
  export KELPO_NO_WAYLAND="$1" QT_QPA_PLATFORM=offscreen
  unset WAYLAND_DISPLAY
  shift
  exec "$@"
}

for tool in mutter pipewire wireplumber dbus-daemon busctl /usr/libexec/xdg-desktop-portal \
            /usr/libexec/xdg-desktop-portal-gnome python3; do
  command -v "$tool" >/dev/null 2>&1 ||
    no_wayland "$tool is missing (scripts/install-deps.sh test installs it)" "$@"
done
if [ "$(id -u)" -eq 0 ]; then
  id "$user" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" 2>/dev/null
  id "$user" >/dev/null 2>&1 || no_wayland "there is no unprivileged user to run the session as" "$@"
  exec runuser -u "$user" -- "$0" "$@"
fi

tmp=$(mktemp -d)
pids=()
# The processes started here, the ones started on demand on the session bus,
# and all their children.
descendants() {
  local p c
  for p in "$@"; do
    echo "$p"
    for c in $(ps -o pid= --ppid "$p" 2>/dev/null); do descendants "$c"; done
  done
}
cleanup() {
  local all bus
  bus=$(busctl --user list --no-legend 2>/dev/null | awk '$2 ~ /^[0-9]+$/ {print $2}' | sort -u)
  all=$(descendants "${pids[@]}" $bus | sort -u)
  if [ -n "$all" ]; then
    kill $all 2>/dev/null
    for _ in $(seq 50); do
      local left=
      for p in $all; do kill -0 "$p" 2>/dev/null && left=1; done
      [ -z "$left" ] && break
      sleep 0.02
    done
    kill -9 $all 2>/dev/null
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data \
       XDG_CACHE_HOME=$tmp/cache XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY

fail() {
  local reason=$1
  shift
  cleanup
  trap - EXIT
  no_wayland "$reason" "$@"
}

bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) || fail "no session bus" "$@"
export DBUS_SESSION_BUS_ADDRESS=$(echo "$bus" | sed -n 1p)
pids+=("$(echo "$bus" | sed -n 2p)")
# Accessibility on, so that a test can answer the portal's dialog.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
  string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null 2>&1
pipewire >"$tmp/pipewire.log" 2>&1 &
pids+=($!)
wireplumber >"$tmp/wireplumber.log" 2>&1 &
pids+=($!)
mutter --headless --wayland --no-x11 --wayland-display=kelpo-mutter --virtual-monitor 1280x800 \
  >"$tmp/mutter.log" 2>&1 &
mutter_pid=$!
pids+=($mutter_pid)
for _ in $(seq 500); do
  [ -S "$XDG_RUNTIME_DIR/kelpo-mutter" ] && busctl --user status org.gnome.Mutter.RemoteDesktop >/dev/null 2>&1 && break
  kill -0 "$mutter_pid" 2>/dev/null || break
  sleep 0.02
done
if ! [ -S "$XDG_RUNTIME_DIR/kelpo-mutter" ] || ! busctl --user status org.gnome.Mutter.RemoteDesktop >/dev/null 2>&1; then
  fail "mutter did not start: $(tail -1 "$tmp/mutter.log")" "$@"
fi
# A whole path: programs started with another XDG_RUNTIME_DIR still find it.
export WAYLAND_DISPLAY=$XDG_RUNTIME_DIR/kelpo-mutter QT_QPA_PLATFORM=wayland KELPO_GNOME=1
# The portal and its GNOME backend start on demand with this environment.
dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_RUNTIME_DIR HOME \
  XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME >/dev/null 2>&1
"$@"
