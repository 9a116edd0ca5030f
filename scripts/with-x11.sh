#!/usr/bin/env bash
# Runs a command inside a private Xvfb display with the openbox window manager.
set -euo pipefail
num=${KELPO_DISPLAY:-$(( 90 + RANDOM % 400 ))}
while [ -e /tmp/.X11-unix/X$num ] || [ -e /tmp/.X$num-lock ]; do num=$((num + 1)); done
Xvfb ":$num" -screen 0 1280x800x24 -nolisten tcp >/tmp/kelpo-xvfb-$num.log 2>&1 &
xvfb=$!
cleanup() {
  if [ -n "${wm:-}" ]; then kill "$wm" 2>/dev/null || true; fi
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$num"
for _ in $(seq 400); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
openbox --sm-disable >/tmp/kelpo-openbox-$num.log 2>&1 &
wm=$!
for _ in $(seq 400); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.05; done
wmctrl -m >/dev/null 2>&1 || echo "with-x11: the window manager did not start within 20 s" >&2
unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
"$@"
