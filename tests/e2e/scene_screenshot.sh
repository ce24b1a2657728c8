#!/usr/bin/env bash
# Opens a scene with one red sphere in the real program on its own X server
# and checks that the view shows red where the sphere stands; then a later
# start hands over a file that does not exist, then a picture (read, but no
# scene): after each message the sphere's scene must still be the one shown.
#   scene_screenshot.sh path/to/velmor
set -euo pipefail

viewer=$(realpath "$1")
source "$(dirname "$0")/own_display.sh"

cat >"$work/red.vlm" <<'SCENE'
<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35">
  <head><title type="main" value="Red"/></head>
  <body>
    <drawGroup name="top">
      <drawUnit>
        <primitive note="Ball" shape="sphere" coordinate="0,0,0" size="0.3" diffuse="255,0,0" ambient="255,0,0"/>
      </drawUnit>
    </drawGroup>
  </body>
</scene>
SCENE

source "$(dirname "$0")/start_viewer.sh" "$work/red.vlm"

# Red pixels: strong red, little green and blue, anywhere in the view.
source "$(dirname "$0")/view_colour.sh"
count_red() { wait_for_colour 'rgb(255,0,0)' 40% "$1"; }
count_red "when opened"

convert -size 32x32 xc:green "$work/picture.png"
width=1200
for handed in missing.vlm picture.png; do
timeout 120 "$viewer" "$work/$handed" >/dev/null 2>&1 || { echo "the later start failed"; exit 1; }
box=""
for _ in $(seq 1 1200); do
  for id in $(xdotool search --onlyvisible --name '^Velmor$' 2>/dev/null); do
    [ "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^WIDTH=//p')" -lt 640 ] && box=$id
  done
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || { echo "no message for $handed"; exit 1; }
xdotool windowfocus --sync "$box" key --clearmodifiers Return
no_box() { ! xdotool search --onlyvisible --name '^Velmor$' >/dev/null 2>&1; }
wait_until 120 no_box || true
title=$(xdotool getwindowname "$window")
[ "$title" = "red.vlm - Velmor" ] || { echo "the title became '$title'"; exit 1; }
# Resizing draws the scene anew: an emptied view would show no sphere.
xdotool windowsize --sync "$window" $((width += 40)) 760
count_red "after $handed"
done
