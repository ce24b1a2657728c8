#!/usr/bin/env bash
# The real program with a scene on a screen of the given size, with or
# without a window manager: the bar's buttons show at the main window's foot;
# with the four tool windows and the About box opened from the menus, every
# window lies whole on the screen, the main window and the unit panel apart,
# no dialog over the panel from 1280 x 720 on, nor over any other window
# from 1920 x 1080 on; Return closes the About box.
#   screen_sweep.sh path/to/velmor WIDTHxHEIGHT none|openbox scene.vlm
set -euo pipefail
viewer=$(realpath "$1") screen_size=$2 manager=$3 scene=$(realpath "$4")
source "$(dirname "$0")/own_display.sh"
read -r sw sh <<<"${screen_size/x/ }"
named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true; }
appears() {   # within $2 tenths of a second
  for _ in $(seq 1 "$2"); do [ -n "$(named "$1")" ] && return 0; sleep 0.1; done
  return 1
}
wait_named() { appears "$1" 100 || { echo "no window named '$1'"; exit 1; }; }
if [ "$manager" = openbox ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids="$pids $!"
  for _ in $(seq 1 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
fi
source "$(dirname "$0")/start_viewer.sh" "$scene"
wait_named '^ユニット$'

# The home button, light on the black bar, within the window's last 50 pixels.
light=0
for _ in $(seq 1 50); do
  if import -window "$window" "$work/main.png" 2>/dev/null; then
    read -r cw ch <<<"$(identify -format '%w %h' "$work/main.png")"
    light=$(convert "$work/main.png" -crop "20x20+$(((cw - 576) * 7 / 10 + 14))+$((ch - 35))" -colorspace gray \
            -format '%[fx:mean]' info:)
    [ "$(echo "$light > 0.6" | bc)" -eq 1 ] && break
  fi
  sleep 0.2
done
[ "$(echo "$light > 0.6" | bc)" -eq 1 ] || { echo "no bar at the window's foot ($light)"; exit 1; }

# Each by its menu's and item's letters; a busy machine may drop keys, and a
# menu left open is shut before the next try.
for command in "p r 描画設定$" "p i スケールバー$" "t r 回転$" "f i ファイル情報$" "h a ^バージョン情報$"; do
  read -r menu item title <<<"$command"
  for _ in 1 2 3 4 5; do
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers "alt+$menu" && sleep 0.3 && xdotool key --clearmodifiers "$item"
    appears "$title" 30 && break
    xdotool key Escape Escape
  done
  wait_named "$title"
done

# x y w h of a window with its frame. (xdotool counts the frame twice.)
outer() {
  local info l=0 r=0 t=0 b=0 e
  info=$(xwininfo -id "$1")
  e=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ',')
  [ -n "$e" ] && read -r l r t b <<<"$e"
  read -r x y w h <<<"$(sed -n 's/.*\(Absolute upper-left [XY]\|Width\|Height\): *//p' <<<"$info" | tr '\n' ' ')"
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
apart() {
  read -r ax ay aw ah <<<"$1"
  read -r bx by bw bh <<<"$2"
  [ "$ax" -lt $((bx + bw)) ] && [ "$bx" -lt $((ax + aw)) ] && [ "$ay" -lt $((by + bh)) ] && [ "$by" -lt $((ay + ah)) ] &&
    { echo "overlap: $1 and $2"; status=1; } || true
}
# The window manager and the program may still be placing the last windows:
# measure again until the layout holds or the time is up.
measure() {
  status=0
  main=$(outer "$window")
  panel=$(outer "$(named '^ユニット$')")
  rects=("$main" "$panel")
  for id in $(xdotool search --onlyvisible --class velmor 2>/dev/null || true); do
    [ "$id" = "$(named '^ユニット$')" ] || [ "$id" = "$(printf '%d' "$window")" ] || [ -z "$(xdotool getwindowname "$id")" ] ||
      rects+=("$(outer "$id")")
  done
  echo "screen $screen_size, $manager: ${rects[*]/%/;}"
  room=$(( (sw >= 1280 && sh >= 720) + (sw >= 1920 && sh >= 1080) ))
  for i in "${!rects[@]}"; do
    read -r x y w h <<<"${rects[$i]}"
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ] || { echo "off screen: ${rects[$i]}"; status=1; }
    for ((j = i + 1; j < ${#rects[@]}; j++)); do
      # Main window and panel always; the panel and dialogs with room; the main window and dialogs with more.
      need=1; [ "$i" -eq 0 ] && need=$(( j == 1 ? 0 : 2 ))
      [ "$room" -lt "$need" ] || apart "${rects[$i]}" "${rects[$j]}"
    done
  done
}
for _ in $(seq 1 40); do
  measure >"$work/layout.txt"
  [ "$status" -eq 0 ] && break
  sleep 0.25
done
cat "$work/layout.txt"
[ "${#rects[@]}" -ge 7 ] || { echo "not every dialog opened"; status=1; }

xdotool windowfocus --sync "$(named '^バージョン情報$')" 2>/dev/null || true
xdotool key --clearmodifiers Return
for _ in $(seq 1 50); do [ -z "$(named '^バージョン情報$')" ] && break; sleep 0.1; done
[ -z "$(named '^バージョン情報$')" ] || { echo "Return left the About box open"; status=1; }
exit $status
