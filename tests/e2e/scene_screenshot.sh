#!/usr/bin/env bash
# Opens a scene with one red sphere in the real program on its own X server
# and checks that the view shows red where the sphere stands.
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
shot="$work/window.png"
red=0
for _ in $(seq 1 50); do
  sleep 0.2
  # A window busy drawing may refuse one look; the next try takes it.
  import -window "$window" "$shot" 2>/dev/null || continue
  red=$(convert "$shot" -crop 1280x600+0+40 +repage -fill black -opaque white -fuzz 40% -fill white \
        -opaque 'rgb(255,0,0)' -fuzz 0 -fill black +opaque white -colorspace gray -format '%[fx:int(mean*w*h)]' info:)
  [ "$red" -gt 500 ] && break
done
echo "red pixels in the view: $red"
kill -0 "$pid" 2>/dev/null || { echo "the program did not keep running"; cat "$work/velmor.log"; exit 1; }
[ "$red" -gt 500 ] || { echo "the sphere's colour does not appear"; cat "$work/velmor.log"; exit 1; }
