#!/usr/bin/env bash
# Starts the real program with a scene on a screen of the given size, with
# or without a window manager, opens the four tool windows and the About
# box from the menus
# and checks every window's place as the X server has it: all of them whole
# on the screen, the main window and the unit panel apart, no dialog over
# the panel, and, where the screen has room, no dialog over the main window
# or another dialog. The bar's buttons must show at the main window's foot,
# and Return must close the About box.
#   screen_sweep.sh path/to/velmor WIDTHxHEIGHT none|openbox scene.vlm
set -euo pipefail

viewer=$(realpath "$1")
screen_size=$2
manager=$3
scene=$(realpath "$4")
scene_title="$(basename "$scene") - Velmor"
source "$(dirname "$0")/own_display.sh"
read -r screen_w screen_h <<<"${screen_size/x/ }"

if [ "$manager" = openbox ]; then
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  pids="$pids $!"
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "the window manager did not start"; exit 1; }
fi

source "$(dirname "$0")/start_viewer.sh" "$scene"

visible_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true; }
wait_named() {
  local id=""
  for _ in $(seq 1 100); do
    id=$(visible_named "$1")
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no window named '$1' appeared"; cat "$work/velmor.log"; exit 1; }
  echo "$id"
}
wait_named "^$scene_title\$" >/dev/null
wait_named '^ユニット$' >/dev/null

# The bar's home button, light on the black bar, in the main window's last
# 50 pixels: the picture gave up height, the bar none.
shot="$work/main.png"
light=0
for _ in $(seq 1 50); do
  # A window busy drawing may refuse one look; the next try takes it.
  if import -window "$window" "$shot" 2>/dev/null; then
    read -r cw ch <<<"$(identify -format '%w %h' "$shot")"
    home_x=$(( (cw - 576) * 7 / 10 + 24 ))
    light=$(convert "$shot" -crop "20x20+$((home_x - 10))+$((ch - 35))" +repage -colorspace gray -format '%[fx:mean]' info:)
    [ "$(echo "$light > 0.6" | bc)" -eq 1 ] && break
  fi
  sleep 0.2
done
echo "home button brightness $light"
[ "$(echo "$light > 0.6" | bc)" -eq 1 ] || { echo "the bar's buttons do not show at the window's foot"; exit 1; }

# A menu command by its keys: the menu's letter with Alt, then the item's.
menu_command() {
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --clearmodifiers "alt+$1"
  sleep 0.3
  xdotool key --clearmodifiers "$2"
}
menu_command p r; wait_named '描画設定$' >/dev/null
menu_command p i; wait_named 'スケールバー$' >/dev/null
menu_command t r; wait_named '回転$' >/dev/null
menu_command f i; wait_named 'ファイル情報$' >/dev/null
# A modal box last: the menus stay shut while it is up.
menu_command h a; wait_named '^バージョン情報$' >/dev/null

# Outer rectangle (x y w h) of a client window, with the frame the window
# manager put around it. (xdotool's position counts the frame twice.)
outer() {
  local info x y w h l=0 r=0 t=0 b=0 extents
  info=$(xwininfo -id "$1")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  h=$(sed -n 's/.*Height: *//p' <<<"$info")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ',')
  [ -n "$extents" ] && read -r l r t b <<<"$extents"
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}

# Settle: the window manager may still be framing the last dialog.
sleep 0.5
main=$(outer "$window")
panel=$(outer "$(visible_named '^ユニット$')")
dialogs=()
names=()
for id in $(xdotool search --onlyvisible --class velmor 2>/dev/null || true); do
  name=$(xdotool getwindowname "$id")
  case "$name" in
    "$scene_title" | "ユニット" | "") continue ;;
  esac
  dialogs+=("$(outer "$id")")
  names+=("$name")
done
echo "screen $screen_size, $manager: main $main, panel $panel"
for i in "${!dialogs[@]}"; do echo "  dialog '${names[$i]}' ${dialogs[$i]}"; done
[ "${#dialogs[@]}" -ge 5 ] || { echo "the dialogs did not all open"; exit 1; }

status=0
on_screen() {
  read -r x y w h <<<"$2"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$screen_w" ] && [ $((y + h)) -le "$screen_h" ] ||
    { echo "$1 is not wholly on the screen: $2"; status=1; }
}
apart() {
  read -r ax ay aw ah <<<"$3"
  read -r bx by bw bh <<<"$4"
  if [ "$ax" -lt $((bx + bw)) ] && [ "$bx" -lt $((ax + aw)) ] && [ "$ay" -lt $((by + bh)) ] && [ "$by" -lt $((ay + ah)) ]; then
    echo "$1 covers $2: $3 and $4"
    status=1
  fi
}
# A screen has room for the dialogs beside the two windows from 1920 x 1080
# on, and beside the panel over the main window's picture from 1280 x 720.
room=0
[ "$screen_w" -ge 1280 ] && [ "$screen_h" -ge 720 ] && room=1
[ "$screen_w" -ge 1920 ] && [ "$screen_h" -ge 1080 ] && room=2
on_screen "the main window" "$main"
on_screen "the unit panel" "$panel"
apart "the main window" "the unit panel" "$main" "$panel"
for i in "${!dialogs[@]}"; do
  on_screen "'${names[$i]}'" "${dialogs[$i]}"
  [ "$room" -ge 2 ] && apart "'${names[$i]}'" "the main window" "${dialogs[$i]}" "$main"
  [ "$room" -ge 1 ] || continue
  apart "'${names[$i]}'" "the unit panel" "${dialogs[$i]}" "$panel"
  for j in "${!dialogs[@]}"; do
    [ "$j" -gt "$i" ] && apart "'${names[$i]}'" "'${names[$j]}'" "${dialogs[$i]}" "${dialogs[$j]}"
  done
done

# Return closes the About box, as its default button would.
about=$(visible_named '^バージョン情報$')
xdotool windowfocus --sync "$about" 2>/dev/null || true
xdotool key --clearmodifiers Return
for _ in $(seq 1 50); do
  [ -z "$(visible_named '^バージョン情報$')" ] && break
  sleep 0.1
done
[ -z "$(visible_named '^バージョン情報$')" ] || { echo "Return did not close the About box"; status=1; }
kill -0 "$pid" 2>/dev/null || { echo "the program did not keep running"; status=1; }
exit $status
