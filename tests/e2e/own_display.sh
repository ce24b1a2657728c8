# Sourced by the end-to-end scripts: a private work folder with its own
# settings and runtime folders, and an Xvfb display of its own (Xvfb picks a
# free display itself, so parallel runs cannot collide). Sets $work and
# DISPLAY; kills the server and programs listed in $pids at exit.
work=$(mktemp -d)
mkdir -m 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
pids=""
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
own_display_cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  kill "$xvfb" 2>/dev/null || true
  if declare -F before_cleanup >/dev/null; then before_cleanup; fi
  rm -rf "$work"
}
trap own_display_cleanup EXIT
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
