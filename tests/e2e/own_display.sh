# Sourced by the end-to-end scripts: a private work folder with its own
# settings and runtime folders, and an Xvfb display of its own (of
# $screen_size, managed by openbox when $manager says so). Sets $work and
# DISPLAY; kills the server and programs listed in $pids at exit.
work=$(mktemp -d)
mkdir -m 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
pids=""
xvfb=""
# A listed process that has ended may have left its number to another test's
# server by now: only our own children are stopped.
kill_own() {
  local parent
  parent=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f2) || return 0
  [ "$parent" = "$$" ] && kill "$1" 2>/dev/null || true
}
own_display_cleanup() {
  local status=$?
  # A failed run says what the program printed and which of its windows were
  # up, since the work folder goes with it.
  if [ "$status" -ne 0 ]; then
    xwininfo -root -tree 2>/dev/null | grep -i '"velmor"' | sed 's/^/window: /' || true
    [ -s "$work/velmor.log" ] && sed 's/^/program: /' "$work/velmor.log" | tail -40
  fi
  for p in $pids; do kill_own "$p"; done
  [ -n "$xvfb" ] && kill_own "$xvfb"
  if declare -F before_cleanup >/dev/null; then before_cleanup; fi
  rm -rf "$work"
}
trap own_display_cleanup EXIT
# Xvfb's own choice (-displayfd) is always the lowest free number, so a
# number is reused while the previous server on it may still be tearing
# down; a random number from a wide range, taken only when its server
# answers, keeps parallel runs apart.
start_own_display() {
  local n=$((100 + RANDOM % 5000))
  # -noreset: the server would otherwise reset when its last client (the
  # check below) leaves, and a program connecting meanwhile can be refused.
  Xvfb ":$n" -screen 0 "${screen_size:-1600x1200}x24" -nolisten tcp -noreset 2>"$work/xvfb.log" &
  xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do
    kill -0 "$xvfb" 2>/dev/null || return 1   # the number was taken
    # Answering, and ours: the lock of the number names our server.
    if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$xvfb" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}
# Runs a command until it succeeds, for at most the given seconds; false if
# it never did. The bounds are generous: the sanitizer build, on a machine
# busy with the rest of the suite, starts, loads and draws many times slower.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
for attempt in $(seq 1 10); do
  start_own_display && break
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  [ "$attempt" -lt 10 ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
done
if [ "${manager:-none}" = openbox ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids="$pids $!"
  managed() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  wait_until 120 managed || { echo "openbox did not start"; exit 1; }
fi
