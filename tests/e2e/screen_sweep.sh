#!/usr/bin/env bash
# The real program with a scene on a screen of the given size, with or
# without a window manager: the bar's buttons show at the main window's foot;
# with the four tool windows and the About box opened from the menus, every
# window lies whole on the screen, the main window and the unit panel apart,
# no dialog over the panel or the bar's buttons from 1280 x 720 on, nor over
# any other window from 1920 x 1080 on; every edit field, the preferences'
# too, shows its whole value; Return closes the About box.
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
wait_named() { appears "$1" 1200 || { echo "no window named '$1'"; exit 1; }; }
source "$(dirname "$0")/start_viewer.sh" "$scene"
wait_named '^ユニット$'

# The home button, light on the black bar, within the window's last 50 pixels.
light=0
for _ in $(seq 1 600); do
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
open_by_menu() {
  local menu item title
  read -r menu item title <<<"$1"
  for _ in 1 2 3 4 5; do
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers "alt+$menu" && sleep 0.3 && xdotool key --clearmodifiers "$item"
    appears "$title" 150 && break
    xdotool key Escape Escape
  done
  wait_named "$title"
}
for command in "p r 描画設定$" "p i スケールバー$" "t r 回転$" "f i ファイル情報$" "h a ^バージョン情報$"; do open_by_menu "$command"; done

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
# The twelve buttons on the screen: 70 % of what they leave of the bar's
# width lies left of them, the bar is the main window's last 50 pixels.
bar_buttons() {   # (in a subshell of its own)
  read -r x y w h <<<"$(xwininfo -id "$window" | sed -n 's/.*\(Absolute upper-left [XY]\|Width\|Height\): *//p' | tr '\n' ' ')"
  echo "$((x + (w > 576 ? w - 576 : 0) * 7 / 10)) $((y + h - 49)) 576 48"
}
# The window manager and the program may still be placing the last windows:
# measure again until the layout holds or the time is up.
measure() {
  status=0
  main=$(outer "$window")
  panel=$(outer "$(named '^ユニット$')")
  rects=("$main" "$panel")
  dialogs=()
  for id in $(xdotool search --onlyvisible --class velmor 2>/dev/null || true); do
    [ "$id" = "$(named '^ユニット$')" ] || [ "$id" = "$(printf '%d' "$window")" ] || [ -z "$(xdotool getwindowname "$id")" ] ||
      { rects+=("$(outer "$id")"); dialogs+=("$id"); }
  done
  echo "screen $screen_size, $manager: ${rects[*]/%/;}"
  room=$(( (sw >= 1280 && sh >= 720) + (sw >= 1920 && sh >= 1080) ))
  buttons=$(bar_buttons)
  for i in "${!rects[@]}"; do
    read -r x y w h <<<"${rects[$i]}"
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ] || { echo "off screen: ${rects[$i]}"; status=1; }
    [ "$i" -lt 2 ] || [ "$room" -lt 1 ] || apart "${rects[$i]}" "$buttons"
    for ((j = i + 1; j < ${#rects[@]}; j++)); do
      # Main window and panel always; the panel and dialogs with room; the main window and dialogs with more.
      need=1; [ "$i" -eq 0 ] && need=$(( j == 1 ? 0 : 2 ))
      [ "$room" -lt "$need" ] || apart "${rects[$i]}" "${rects[$j]}"
    done
  done
}
for _ in $(seq 1 480); do
  measure >"$work/layout.txt"
  [ "$status" -eq 0 ] && break
  sleep 0.25
done
cat "$work/layout.txt"
[ "${#rects[@]}" -ge 7 ] || { echo "not every dialog opened"; status=1; }

# An edit field is a white box; a value too wide for it is scrolled to its
# end and runs into both of its sides. Windows are raised one by one: on a
# small screen others lie over them.
fields_cut() {   # of the picture $1: white boxes 12 to 40 high, their dark text's place in them
  convert "$1" -fill black +opaque white -define connected-components:verbose=true -connected-components 4 null: |
    awk '$NF ~ /255,255,255/ && split($2, g, /[x+]/) && g[1] >= 20 && g[2] >= 12 && g[2] <= 40 { print $2, g[1] }' |
    while read -r box bw; do
      read -r iw _ ix _ <<<"$(convert "$1" -crop "$box" +repage -threshold 50% -bordercolor white -border 1 \
        -format '%@' info: 2>/dev/null | tr 'x+' '  ')"
      [ "${iw:-0}" -gt 0 ] && [ "$ix" -le 5 ] && [ $((bw + 1 - ix - iw)) -lt 5 ] && echo "$box" || true
    done
}
fields_whole() {
  local id cut
  for id in "$@"; do
    for _ in $(seq 1 100); do
      xdotool windowraise "$id" 2>/dev/null || true
      cut=$(import -window "$id" "$work/fields.png" 2>/dev/null && fields_cut "$work/fields.png" || echo "no picture")
      [ -z "$cut" ] && break || sleep 0.1
    done
    [ -z "$cut" ] || { echo "a field of '$(xdotool getwindowname "$id")' does not show its whole value: $cut"; status=1; }
  done
}
fields_whole "${dialogs[@]}"

xdotool windowfocus --sync "$(named '^バージョン情報$')" 2>/dev/null || true
xdotool key --clearmodifiers Return
about_gone() { [ -z "$(named '^バージョン情報$')" ]; }
wait_until 120 about_gone || true
[ -z "$(named '^バージョン情報$')" ] || { echo "Return left the About box open"; status=1; }

open_by_menu "p z ^Application Preference$"
fields_whole "$(named '^Application Preference$')"
exit $status
