#!/usr/bin/env bash
# The real program, whose settings folder's name is taken by a file, opens a
# scene: the recent-file list cannot be saved, a box says so (holding the
# open back), and closing it lets the open finish; the file stays as it was.
#   unsaved_settings.sh path/to/velmor path/to/scene.vlm
set -euo pipefail
viewer=$(realpath "$1")
scene=$(realpath "$2")
source "$(dirname "$0")/own_display.sh"
printf 'not a folder' >"$XDG_CONFIG_HOME"
set -- "$scene"
source "$(dirname "$0")/start_viewer.sh"
title() { xwininfo -id "$window" | sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p'; }

box=""
for _ in $(seq 1 1200); do
  box=$(xdotool search --onlyvisible --name '^Velmor$' 2>/dev/null | grep -vx "$((window))" | head -n1 || true)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || { echo "no message box"; cat "$work/velmor.log"; exit 1; }
# Painted, its light face carries lines of text (the OK button alone has far fewer dark pixels).
for _ in $(seq 1 600); do
  import -window "$box" "$work/box.png" 2>/dev/null &&
    [ "$(convert "$work/box.png" -colorspace gray -format '%[fx:mean>0.6]' info:)" = 1 ] && break
  sleep 0.1
done
dark=$(convert "$work/box.png" -colorspace gray -threshold 40% -negate -format '%[fx:round(mean*w*h)]' info:)
echo "box with $dark dark pixels; main window '$(title)'"
[ "$dark" -gt 1000 ] && [ "$(title)" = "Velmor" ] || exit 1

for _ in $(seq 1 600); do
  [ "$(title)" = "$(basename "$scene") - Velmor" ] && break
  xdotool key --window "$box" Return 2>/dev/null || true
  sleep 0.1
done
echo "after the box: '$(title)'"
[ "$(title)" = "$(basename "$scene") - Velmor" ] && [ "$(cat "$XDG_CONFIG_HOME")" = "not a folder" ]
