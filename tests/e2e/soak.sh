#!/usr/bin/env bash
# The soak: the real program of the sanitizer tree on its own X server opens
# and closes scenes with every unit kind many times (a large volume among
# them, which shows the progress dialog), is handed files by later starts,
# has files dropped on it, has loads cancelled from the progress dialog, and
# opens every hostile file in turn. Afterwards it must still answer, its
# resident memory must be back near where it was after the first open, the
# GL names of closed scenes must be gone, and it must quit without a
# sanitizer report. Prints the figures.
#   soak.sh path/to/velmor path/to/drop_source path/to/libgl_name_census.so
# VELMOR_SOAK_ROUNDS (default 2) sets how many times the open, hand-off,
# drop and cancel rounds repeat; VELMOR_SOAK_EDGE (320) the large volume's edge;
# Hand-offs and drops also arrive while the large scene loads (the program
# holds them back until it ends).
set -euo pipefail

viewer=$(realpath "$1")
dropper=$(realpath "$2")
census_lib=$(realpath "$3")
rounds=${VELMOR_SOAK_ROUNDS:-2}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/own_display.sh"

scenes="$work/scenes"
/usr/bin/python3 "$here/make_soak_scenes.py" "$scenes" "${VELMOR_SOAK_EDGE:-320}"
census="$work/gl_census"
log="$work/velmor.log"

opens=0 handoffs=0 drops=0 refused_drops=0 cancels=0 messages=0 hostile=0
fail() {
  echo "FAILED: $*"
  [ -n "${VELMOR_KEEP_SHOT:-}" ] && import -window root "$VELMOR_KEEP_SHOT" 2>/dev/null
  echo "opens $opens, hand-offs $handoffs, drops $drops, cancels $cancels, messages $messages"
  echo "--- program output"; tail -n 80 "$log"
  exit 1
}
alive() { kill -0 "$pid" 2>/dev/null || fail "the program ended"; }

# Visible windows of the program smaller than its main window that are
# titled just "Velmor" (the progress dialog and message boxes): id, width, height.
named_velmor() {
  local id w h
  xdotool search --onlyvisible --class velmor getwindowgeometry --shell %@ 2>/dev/null |
    awk -F= '/^WINDOW/ {w = $2} /^WIDTH/ {x = $2} /^HEIGHT/ {if (x < 640) print w, x, $2}' |
    while read -r id w h; do
      [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "Velmor" ] && echo "$id $w $h"
    done || true
}
main_title() { xwininfo -root -tree 2>/dev/null | awk -f "$here/main_window.awk" | cut -f2 || true; }
progress_dialog() { named_velmor | awk '$2 == 360 && $3 == 110 {print $1; exit}'; }
message_box() { named_velmor | awk '$2 < 640 && !($2 == 360 && $3 == 110) {print $1; exit}'; }

dismiss_messages() {
  local box
  while box=$(message_box) && [ -n "$box" ]; do
    xdotool windowfocus --sync "$box" key --clearmodifiers Return 2>/dev/null || true
    messages=$((messages + 1))
    [ -n "${VELMOR_SOAK_TRACE:-}" ] && echo "message answered at $SECONDS s"
    sleep 0.2
    alive
  done
}

# Waits until nothing runs: no progress dialog, no message box (each one
# shown is answered), and the title stays the same for a moment.
settle() {
  local want=${1:-} quiet=0 last=""
  for _ in $(seq 1 1200); do
    alive
    dismiss_messages
    local t; t=$(main_title)
    if [ -z "$(progress_dialog)" ] && { [ -z "$want" ] || [ "$t" = "$want" ]; } && [ "$t" = "$last" ]; then
      quiet=$((quiet + 1))
      [ $quiet -ge 3 ] && return 0
    else
      quiet=0
    fi
    last=$t
    sleep 0.1
  done
  fail "the program did not settle (title '$(main_title)', wanted '$want')"
}

title_of() { echo "$(basename "$1") - Velmor"; }

# A later start hands the file to the running copy and ends by itself (the
# copy answers at once, even while it draws the large scene for seconds).
hand_off() {
  timeout 120 "$viewer" "$1" >>"$work/second.log" 2>&1 || fail "a second start with $1 failed or hung"
  handoffs=$((handoffs + 1))
}

open_scene() {
  [ -n "${VELMOR_SOAK_TRACE:-}" ] && echo "open $1 at $SECONDS s"
  hand_off "$1"
  settle "$(title_of "$1")"
  opens=$((opens + 1))
}

# File, Close from the keyboard. Keys that arrive while a job runs are
# dropped by design, so they are pressed again until the scene has closed.
close_scene() {
  [ -n "${VELMOR_SOAK_TRACE:-}" ] && echo "close at $SECONDS s"
  local window
  for _ in 1 2 3 4 5; do
    settle
    window=$(xwininfo -root -tree | awk -f "$here/main_window.awk" | cut -f1)
    xdotool windowfocus --sync "$window" key --clearmodifiers alt+f
    sleep 0.3
    xdotool key --clearmodifiers c
    for _ in $(seq 1 50); do [ "$(main_title)" = "Velmor" ] && break; sleep 0.1; done
    [ "$(main_title)" = "Velmor" ] && break
    xdotool key --clearmodifiers Escape
  done
  settle "Velmor"
}

# Presses on the drop source, moves onto the view and lets go there; the
# source says whether the drop was taken and stays to hand over the data.
drop_file() {
  local must_accept=${2:-yes} said="$work/drop.$drops"
  # The previous source has handed over its data by now (its drop was settled).
  if [ -n "${last_source:-}" ]; then kill "$last_source" 2>/dev/null || true; wait "$last_source" 2>/dev/null || true; fi
  "$dropper" 1500 60 "$1" >"$said" 2>>"$work/drop.log" &
  last_source=$!
  pids="$pids $last_source"
  xdotool search --sync --onlyvisible --name "drop source" >/dev/null
  xdotool mousemove --sync 1530 90 mousedown 1
  for step in 1 2 3 4 5 6; do xdotool mousemove --sync $((1530 - step * 150)) $((90 + step * 60)); sleep 0.05; done
  xdotool mouseup 1
  wait_until 120 test -s "$said" || fail "the drop did not end"
  drop_accepted=no
  [ "$(cat "$said")" = accepted ] && drop_accepted=yes
  [ "$drop_accepted" = yes ] || [ "$must_accept" = no ] || fail "the program refused the dropped $1"
  drops=$((drops + 1))
}

# Opens the large scene and presses Cancel whenever the progress dialog is
# up (loading the volume cannot be cancelled, building its surface can); the
# cancelled build ends in its message.
cancel_load() {
  local before=$messages dialog
  # The loop below sees the build end by the title changing: start from another.
  [ "$(main_title)" = "$(title_of large.vlm)" ] && close_scene
  hand_off "$scenes/large.vlm"
  for _ in $(seq 1 1000); do
    alive
    dialog=$(progress_dialog)
    if [ -n "$dialog" ]; then
      eval "$(xdotool getwindowgeometry --shell "$dialog" 2>/dev/null || echo X=-1000 Y=0)"
      [ "$X" -ge 0 ] && xdotool mousemove $((X + 180)) $((Y + 88)) click 1 2>/dev/null || true
    elif [ -n "$(message_box)" ] || [ "$(main_title)" = "$(title_of large.vlm)" ]; then
      break
    fi
    sleep 0.02
  done
  settle
  [ $messages -gt $before ] || fail "the surface build was not cancelled from the progress dialog"
  cancels=$((cancels + 1))
}

rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$pid/status"; }
gl_names() { cat "$census" 2>/dev/null || echo "textures 0 lists 0 buffers 0"; }

# While the large scene loads, a later start hands over another file, or a
# file is dropped, after the given delay: either must wait for the load and
# then open, in order. (A drag that meets the program busy outside a job, for
# example uploading the volume, gets no answer and ends refused: then the
# large scene stays.)
during_load() {
  local delay=$1 how=$2 file=$3
  [ -n "${VELMOR_SOAK_TRACE:-}" ] && echo "$how of $file $delay s into a load at $SECONDS s"
  hand_off "$scenes/large.vlm"
  sleep "$delay"
  if [ "$how" = drop ]; then
    drop_file "$file" no
    if [ "$drop_accepted" = no ]; then
      refused_drops=$((refused_drops + 1))
      file="$scenes/large.vlm"
    fi
  else
    hand_off "$file"
  fi
  settle "$(title_of "$file")"
  opens=$((opens + 2))
}

# Small allocations are handed back at once, so that resident memory says
# what the program holds rather than what the checker's quarantine does.
ASAN_OPTIONS="quarantine_size_mb=8:allocator_release_to_os_interval_ms=100" \
  LD_PRELOAD="$census_lib" VELMOR_GL_CENSUS="$census" "$viewer" >"$log" 2>&1 &
pid=$!
pids="$pid"
settle "Velmor"
baseline_names=$(gl_names)

cancel_load
open_scene "$scenes/units.vlm"
open_scene "$scenes/large.vlm"
sleep 1   # the checker's allocator hands freed memory back on a timer
rss_first=$(rss_kb)
open_scene "$scenes/units.vlm"
close_scene
first_close_names=$(gl_names)

delays=(0.1 0.5 1.0 1.5 2.5 3.5)
for round in $(seq 1 "$rounds"); do
  for scene in units.vlm other.vlm large.vlm units.vlm; do open_scene "$scenes/$scene"; done
  close_scene
  drop_file "$scenes/other.vlm"; settle "$(title_of other.vlm)"; opens=$((opens + 1))
  drop_file "$scenes/units.vlm"; settle "$(title_of units.vlm)"; opens=$((opens + 1))
  during_load "${delays[$(((round * 2) % 6))]}" hand-off "$scenes/other.vlm"
  during_load "${delays[$(((round * 2 + 1) % 6))]}" drop "$scenes/units.vlm"
  cancel_load
  close_scene
done

# Each ends in its message, except the valid scenes among them: deep.vlm
# (unknown elements nested very deep are skipped) opens empty; huge_counts.vlm
# draws its shapes at bounded divisions and long_chain.vlm runs its events,
# and both must be shown, then closed (the chain is large to take down)
# before the next file comes.
valid_hostile=" huge_counts.vlm long_chain.vlm "
for file in "$scenes"/hostile/*.vlm; do
  before=$messages
  name=$(basename "$file")
  hand_off "$file"
  if [[ "$valid_hostile" == *" $name "* ]]; then
    settle "$(title_of "$file")"
    close_scene
  else
    settle
    [ $messages -gt $before ] || [ "$name" = deep.vlm ] || fail "no message for $file"
  fi
  hostile=$((hostile + 1))
done

close_scene
last_close_names=$(gl_names)
open_scene "$scenes/large.vlm"
sleep 1
rss_last=$(rss_kb)
open_scene "$scenes/units.vlm"

echo "opens $opens, hand-offs $handoffs, drops $drops ($refused_drops refused while busy), cancels $cancels, hostile files $hostile, messages answered $messages"
echo "resident memory after the first open ${rss_first} kB, after the last ${rss_last} kB"
echo "GL names at start: $baseline_names"
echo "GL names after the first close: $first_close_names"
echo "GL names after the last close: $last_close_names"

[ "$rss_last" -le $((rss_first + rss_first / 4 + 131072)) ] || fail "resident memory grew from ${rss_first} kB to ${rss_last} kB"
read -r _ t1 _ l1 _ b1 <<<"$first_close_names"
read -r _ t2 _ l2 _ b2 <<<"$last_close_names"
[ "$t2" -le "$t1" ] && [ "$l2" -le "$l1" ] && [ "$b2" -le "$b1" ] || fail "closed scenes left GL names behind"

# Quit from the menu: the leak checker runs at the end of a normal exit.
window=$(xwininfo -root -tree | awk -f "$here/main_window.awk" | cut -f1)
xdotool windowfocus --sync "$window" key --clearmodifiers alt+f
sleep 0.3
xdotool key --clearmodifiers x
quit_start=$SECONDS
for _ in $(seq 1 3000); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
echo "quitting took $((SECONDS - quit_start)) s"
kill -0 "$pid" 2>/dev/null && fail "the program did not quit"
status=0
wait "$pid" || status=$?
pids=""
if grep -qE "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:" "$log" "$work/second.log" "$work/drop.log" 2>/dev/null; then
  fail "a sanitizer report"
fi
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "the program quit cleanly"
