# Sourced by the end-to-end scripts: a private work folder with its own
# settings and runtime folders, and an Xvfb display of its own (Xvfb picks a
# free display itself, so parallel runs cannot collide). Sets $work and
# DISPLAY; kills the server and programs listed in $pids at exit.
work=$(mktemp -d)
mkdir -m 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
pids=""
xvfb=""
own_display_cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  if declare -F before_cleanup >/dev/null; then before_cleanup; fi
  rm -rf "$work"
}
trap own_display_cleanup EXIT
# A server that ends while another starts on the same number may take the new
# one's socket with it: a display that does not answer is started again.
start_own_display() {
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || return 1
  export DISPLAY=":$(head -n1 "$work/display")"
  for _ in $(seq 1 20); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
for attempt in 1 2 3; do
  start_own_display && break
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  [ "$attempt" -lt 3 ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
done
