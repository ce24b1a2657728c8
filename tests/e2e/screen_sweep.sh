#!/usr/bin/env bash
# The real program with a scene on a screen of the given size, with or
# without a window manager: the bar's buttons show at the main window's foot;
# with the four tool windows and the About box opened from the menus, every
# window lies whole on the screen, the main window and the unit panel apart,
# no dialog over the panel or the bar's buttons from 1280 x 720 on, nor over
# any other window from 1920 x 1080 on, and every edit field shows its whole
# value; Return closes the About box. The preferences, opened over them all,
# lie whole on the screen, off the bar's buttons from 1280 x 720 on, with
# their fields whole.
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
open_by_menu() {
  local menu item title
  read -r menu item title <<<"$1"
  for _ in 1 2 3 4 5; do
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers "alt+$menu" && sleep 0.3 && xdotool key --clearmodifiers "$item"
    appears "$title" 30 && break
    xdotool key Escape Escape
  done
  wait_named "$title"
}
for command in "p r 描画設定$" "p i スケールバー$" "t r 回転$" "f i ファイル情報$" "h a ^バージョン情報$"; do
  open_by_menu "$command"
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
on_screen() {
  read -r x y w h <<<"$1"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ] || { echo "off screen: $1"; status=1; }
}
# The twelve buttons on the screen: 70 % of what they leave of the bar's
# width lies left of them, the bar is the main window's last 50 pixels.
bar_buttons() {
  local x y w h
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
    on_screen "${rects[$i]}"
    [ "$i" -lt 2 ] || [ "$room" -lt 1 ] || apart "${rects[$i]}" "$buttons"
    for ((j = i + 1; j < ${#rects[@]}; j++)); do
      # Main window and panel always; the panel and dialogs with room; the main window and dialogs with more.
      need=1; [ "$i" -eq 0 ] && need=$(( j == 1 ? 0 : 2 ))
      [ "$room" -lt "$need" ] || apart "${rects[$i]}" "${rects[$j]}"
    done
  done
}
until_held() {   # the measuring function
  for _ in $(seq 1 40); do
    "$1" >"$work/layout.txt"
    [ "$status" -eq 0 ] && break
    sleep 0.25
  done
  cat "$work/layout.txt"
}
# An edit field is a white box; a value too wide for it is scrolled to its
# end and runs into both of its sides. Each window is raised first: another
# may lie over it on a small screen.
fields_whole() {
  local id ok
  for id in "${dialogs[@]}"; do
    for _ in $(seq 1 20); do
      xdotool windowraise "$id" 2>/dev/null || true
      ok=0
      import -window "$id" "$work/fields.png" 2>/dev/null &&
        /usr/bin/python3 - "$work/fields.png" >"$work/fields.txt" <<'PY' && ok=1 && break
import sys
from PIL import Image
img = Image.open(sys.argv[1]).convert("RGB")
w, h = img.size
px = img.load()
seen = set()
cut = []
for y0 in range(h):
    for x0 in range(w):
        if (x0, y0) in seen or px[x0, y0] != (255, 255, 255):
            continue
        seen.add((x0, y0))
        stack, box = [(x0, y0)], [x0, y0, x0, y0]
        while stack:
            x, y = stack.pop()
            box = [min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)]
            for n in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if 0 <= n[0] < w and 0 <= n[1] < h and n not in seen and px[n] == (255, 255, 255):
                    seen.add(n)
                    stack.append(n)
        left, top, right, bottom = box
        if right - left < 20 or not 12 <= bottom - top <= 40:
            continue   # a check box, a list or a text area
        ink = [x for x in range(left, right + 1) for y in range(top, bottom + 1) if sum(px[x, y]) < 3 * 128]
        if ink and max(min(ink) - left, right - max(ink)) < 5:
            cut.append(f"{left},{top} {right - left + 1}x{bottom - top + 1}")
print(" ".join(cut))
sys.exit(1 if cut else 0)
PY
      sleep 0.1
    done
    [ "$ok" -eq 1 ] || { echo "a field of '$(xdotool getwindowname "$id")' does not show its whole value: $(cat "$work/fields.txt")"; status=1; }
  done
}
until_held measure
[ "${#rects[@]}" -ge 7 ] || { echo "not every dialog opened"; status=1; }
fields_whole

xdotool windowfocus --sync "$(named '^バージョン情報$')" 2>/dev/null || true
xdotool key --clearmodifiers Return
for _ in $(seq 1 50); do [ -z "$(named '^バージョン情報$')" ] && break; sleep 0.1; done
[ -z "$(named '^バージョン情報$')" ] || { echo "Return left the About box open"; status=1; }

# The preferences, modal, over the tool windows that stay up: no room is
# left clear of them all, but the bar's buttons stay free where the screen
# allows.
first=$status
open_by_menu "p z ^Application Preference$"
dialogs=("$(named '^Application Preference$')")
measure_preferences() {
  status=0
  preferences=$(outer "${dialogs[0]}")
  echo "preferences: $preferences"
  on_screen "$preferences"
  [ "$room" -lt 1 ] || apart "$preferences" "$(bar_buttons)"
}
until_held measure_preferences
fields_whole
[ "$first" -eq 0 ] || status=$first
xdotool key --clearmodifiers Escape
exit $status
