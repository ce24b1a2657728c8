# Sourced after own_display.sh: starts the program with the given arguments
# and waits for its main window. Sets $pid and $window.
"$viewer" "$@" >"$work/velmor.log" 2>&1 &
pid=$!
pids="$pid"

window=""
main_window_shown() {
  # The server may still be settling: a failed look is just another try.
  window=$(xwininfo -root -tree 2>/dev/null | awk -f "$(dirname "$0")/main_window.awk" | cut -f1 || true)
  [ -n "$window" ] && return 0
  kill -0 "$pid" 2>/dev/null || { echo "the program ended before its window appeared"; cat "$work/velmor.log"; exit 1; }
  return 1
}
wait_until 120 main_window_shown || { echo "no program window appeared"; exit 1; }
