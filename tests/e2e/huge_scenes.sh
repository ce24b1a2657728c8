#!/usr/bin/env bash
# The soak's scenes that ask for far too much, opened by the real program on
# its own X server: the red ball among round shapes of 100000 divisions,
# turned by 1e308 degrees, must show and keep drawing when the window
# changes; a later start then hands over the chain of 100000 events whose
# last one turns the background blue.
#   huge_scenes.sh path/to/velmor
set -euo pipefail

viewer=$(realpath "$1")
here=$(dirname "$0")
source "$here/own_display.sh"
/usr/bin/python3 "$here/make_soak_scenes.py" "$work/scenes" huge
source "$here/start_viewer.sh" "$work/scenes/hostile/huge_counts.vlm"
source "$here/view_colour.sh"

wait_for_colour 'rgb(255,0,0)' 30% "when the huge counts opened"
# Resizing draws everything anew.
xdotool windowsize --sync "$window" 1100 700
wait_for_colour 'rgb(255,0,0)' 30% "after a resize"

timeout 120 "$viewer" "$work/scenes/hostile/long_chain.vlm" >/dev/null 2>&1 || { echo "the hand-off failed"; exit 1; }
for _ in $(seq 1 1200); do
  [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "long_chain.vlm - Velmor" ] && break
  sleep 0.1
done
wait_for_colour 'rgb(0,0,255)' 30% "after the chain of events"
