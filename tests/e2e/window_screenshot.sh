#!/usr/bin/env bash
# Starts the real program on its own X server, takes a screenshot of its main
# window and checks that the window was drawn: the menu bar light, the empty
# view dark, and text in the menu bar.
#   window_screenshot.sh path/to/velmor
set -euo pipefail

viewer=$(realpath "$1")
before_cleanup() {
  [ -n "${VELMOR_KEEP_SHOT:-}" ] && [ -f "$work/window.png" ] && cp "$work/window.png" "$VELMOR_KEEP_SHOT"
  return 0
}
source "$(dirname "$0")/own_display.sh"

# Started without a scene: the positional parameters would reach the program,
# which would then try its own executable as a scene.
set --
source "$(dirname "$0")/start_viewer.sh"

# Give the first paint time to reach the server, then look.
shot="$work/window.png"
for _ in $(seq 1 600); do
  sleep 0.2
  # A window busy drawing may refuse one look; the next try takes it.
  import -window "$window" "$shot" 2>/dev/null || continue
  menu=$(convert "$shot" -crop 1280x4+0+1 +repage -colorspace gray -format '%[fx:mean]' info:)
  [ "$(echo "$menu > 0.7" | bc)" -eq 1 ] && break
done

read -r width height <<<"$(identify -format '%w %h' "$shot")"
view=$(convert "$shot" -crop 200x200+540+300 +repage -colorspace gray -format '%[fx:mean]' info:)
colours=$(convert "$shot" -crop 1280x16+0+0 +repage -format '%k' info:)
echo "window ${width}x${height}, menu bar brightness $menu, view brightness $view, menu bar colours $colours"

status=0
[ "$width" -ge 1280 ] && [ "$height" -ge 720 ] || { echo "window smaller than 1280x720"; status=1; }
[ "$(echo "$menu > 0.7" | bc)" -eq 1 ] || { echo "menu bar not drawn"; status=1; }
[ "$(echo "$view < 0.1" | bc)" -eq 1 ] || { echo "view area not drawn"; status=1; }
[ "$colours" -gt 4 ] || { echo "no menu text drawn"; status=1; }
kill -0 "$pid" 2>/dev/null || { echo "the program did not keep running"; status=1; }
exit $status
