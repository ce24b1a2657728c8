#!/usr/bin/env bash
# Scene files whose names are Shift_JIS bytes, not UTF-8, reach the real
# program from the command line, from a later start and from a drop, and
# open: the window's title shows each name as the text it is.
#   byte_names.sh path/to/velmor path/to/drop_source path/to/scene.vlm
set -euo pipefail

viewer=$(realpath "$1")
dropper=$(realpath "$2")
scene=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/own_display.sh"

sjis=$'\x83\x65\x83\x58\x83\x67'   # "テスト"
folder="$work/$sjis"
mkdir "$folder"
for prefix in a b c; do cp "$scene" "$folder/$prefix$sjis.vlm"; done

main_window() { xwininfo -root -tree 2>/dev/null | awk -f "$here/main_window.awk" | cut -f1 || true; }
title() {
  local w; w=$(main_window)
  [ -n "$w" ] && xprop -id "$w" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p' || true
}
wait_title() {
  for _ in $(seq 1 200); do
    [ "$(title)" = "$1" ] && return 0
    kill -0 "$pid" 2>/dev/null || { echo "the program ended"; cat "$work/velmor.log"; exit 1; }
    sleep 0.1
  done
  echo "expected the title '$1', saw '$(title)'"; cat "$work/velmor.log"; exit 1
}

"$viewer" "$folder/a$sjis.vlm" >"$work/velmor.log" 2>&1 &
pid=$!
pids="$pid"
wait_title "aテスト.vlm - Velmor"
echo "opened from the command line"

timeout 20 "$viewer" "$folder/b$sjis.vlm" || { echo "the later start failed"; exit 1; }
wait_title "bテスト.vlm - Velmor"
echo "opened from a later start"

# Press on the drop source, move onto the view, let go; the source says
# whether the drop was taken. A drag the window system lost is tried again.
for attempt in 1 2 3; do
  "$dropper" 1500 60 "$folder/c$sjis.vlm" >"$work/drop.$attempt" 2>>"$work/drop.log" &
  source_pid=$!
  pids="$pids $source_pid"
  timeout 20 xdotool search --sync --onlyvisible --name "drop source" >/dev/null || { echo "no drop source"; cat "$work/drop.log"; exit 1; }
  xdotool mousemove --sync 1530 90 mousedown 1
  for step in 1 2 3 4 5 6; do xdotool mousemove --sync $((1530 - step * 150)) $((90 + step * 60)); sleep 0.05; done
  xdotool mouseup 1
  for _ in $(seq 1 100); do [ -s "$work/drop.$attempt" ] && break; sleep 0.1; done
  [ "$(cat "$work/drop.$attempt")" = accepted ] && break
  echo "drop $attempt: '$(cat "$work/drop.$attempt")'"
  kill "$source_pid" 2>/dev/null || true
done
wait_title "cテスト.vlm - Velmor"
echo "opened from a drop"
