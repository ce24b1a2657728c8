#!/usr/bin/env bash
# Starts the real program on its own X server, then starts it again with a
# scene: the second start must end by itself and the first copy must open
# the scene (its window title names the file).
#   second_start.sh path/to/velmor path/to/scene.vlm
set -euo pipefail

viewer=$(realpath "$1")
scene=$(realpath "$2")
source "$(dirname "$0")/own_display.sh"

title_of_velmor() {
  xwininfo -root -tree 2>/dev/null | awk -f "$(dirname "$0")/main_window.awk" | cut -f2 || true
}

"$viewer" >"$work/first.log" 2>&1 &
first=$!
pids="$first"
# One look may fail while windows come and go: the last one counts.
title=""
for _ in $(seq 1 200); do
  title=$(title_of_velmor)
  [ "$title" = "Velmor" ] && break
  kill -0 "$first" 2>/dev/null || { echo "the first copy ended"; cat "$work/first.log"; exit 1; }
  sleep 0.1
done
[ "$title" = "Velmor" ] || { echo "first window not found: '$title'"; exit 1; }

# The second start hands its path over and ends without a window of its own.
timeout 20 "$viewer" "$scene" >"$work/second.log" 2>&1 || { echo "second start failed or hung"; cat "$work/second.log"; exit 1; }

want="$(basename "$scene") - Velmor"
for _ in $(seq 1 100); do
  [ "$(title_of_velmor)" = "$want" ] && break
  sleep 0.1
done
title=$(title_of_velmor)
echo "first copy's title: $title"
[ "$title" = "$want" ] || { echo "expected '$want'"; cat "$work/first.log"; exit 1; }
kill -0 "$first" 2>/dev/null || { echo "the first copy ended"; exit 1; }
