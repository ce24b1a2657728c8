# Sourced by the end-to-end scripts after start_viewer.sh: pixels of the
# program's view near a colour, from screenshots of its window.
#   view_colour COLOUR FUZZ             prints the count, empty when no look was had
#   wait_for_colour COLOUR FUZZ WHAT    waits for more than 500 of them; fails the
#                                       script when they do not come or the program ends
view_colour() {
  local shot="$work/view_colour.png"
  # A window busy drawing may refuse one look; the caller's next try takes it.
  import -window "$window" "$shot" 2>/dev/null || return 0
  convert "$shot" -crop 1200x560+0+40 +repage -fill black -opaque white -fuzz "$2" -fill white \
    -opaque "$1" -fuzz 0 -fill black +opaque white -colorspace gray -format '%[fx:int(mean*w*h)]' info:
}

wait_for_colour() {
  local count=0
  for _ in $(seq 1 600); do
    sleep 0.2
    kill -0 "$pid" 2>/dev/null || break
    count=$(view_colour "$1" "$2")
    [ "${count:-0}" -gt 500 ] && break
  done
  echo "pixels near $1 $3: ${count:-none}"
  kill -0 "$pid" 2>/dev/null || { echo "the program did not keep running"; cat "$work/velmor.log"; exit 1; }
  [ "${count:-0}" -gt 500 ] || { echo "the colour does not appear $3"; cat "$work/velmor.log"; exit 1; }
}
