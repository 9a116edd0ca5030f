#!/usr/bin/env bash
# Runs a command inside a private Xvfb display with the openbox window manager.
set -euo pipefail
tmp=$(mktemp -d)
cleanup() {
  if [ -n "${wm:-}" ]; then kill "$wm" 2>/dev/null || true; fi
  if [ -n "${xvfb:-}" ]; then kill "$xvfb" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
# Xvfb picks a free display number itself and writes it to the given file.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 400); do [ -s "$tmp/display" ] && break; sleep 0.05; done
num=$(tr -dc '0-9' <"$tmp/display")
[ -n "$num" ] || { echo "with-x11: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$num"
for _ in $(seq 400); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
for attempt in 1 2 3; do
  openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
  wm=$!
  for _ in $(seq 200); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.05; done
  wmctrl -m >/dev/null 2>&1 && break
  echo "with-x11: openbox did not start (attempt $attempt):" >&2
  cat "$tmp/openbox.log" >&2
  kill "$wm" 2>/dev/null || true
  wm=
done
unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
"$@"
