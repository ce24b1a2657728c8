#!/usr/bin/env bash
# Starts the real program on an OpenGL that reports version 1.1: it must show
# "OpenGL version error" in a box and, once the box is closed, end.
#   gl_version_error.sh path/to/velmor
set -euo pipefail

viewer=$(realpath "$1")
source "$(dirname "$0")/own_display.sh"

MESA_GL_VERSION_OVERRIDE=1.1 "$viewer" >"$work/velmor.log" 2>&1 &
pid=$!
pids="$pid"

# The message box: a shown window of the program titled "Velmor", narrower
# than the main window.
box=""
for _ in $(seq 1 1200); do
  for id in $(xwininfo -root -tree 2>/dev/null | awk '/"Velmor": \("velmor" "Velmor"\)/ { split($NF, a, "x"); print $1 }'); do
    geometry=$(xwininfo -id "$id" 2>/dev/null || true)
    echo "$geometry" | grep -q 'Map State: IsViewable' || continue
    width=$(echo "$geometry" | awk '/Width:/ { print $2 }')
    [ "${width:-0}" -lt 640 ] && box=$id
  done
  [ -n "$box" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "the program ended without its message"; cat "$work/velmor.log"; exit 1; }
  sleep 0.1
done
[ -n "$box" ] || { echo "no message box appeared"; cat "$work/velmor.log"; exit 1; }

xdotool windowfocus --sync "$box" key Return 2>/dev/null || xdotool key --window "$box" Return
ended() { ! kill -0 "$pid" 2>/dev/null; }
if ! wait_until 120 ended; then
  echo "the program keeps running after the OpenGL version error"
  exit 1
fi
status=0
wait "$pid" || status=$?
echo "the program ended with status $status"
[ "$status" -ne 0 ] || { echo "it reported success"; exit 1; }
