#!/usr/bin/env bash
# The real program started and fed the ways a careless or hostile user could:
# without a display; with Shift_JIS file names from the command line and a
# later start; with a FIFO as a data file, the scene or its settings, or huge settings;
# with files handed over while a message box waits; with its single-instance folder
# open to others, its socket dead, or answered by another user's process.
#   hostile_starts.sh path/to/velmor
set -euo pipefail

viewer=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/own_display.sh"
fail() { echo "FAILED: $*"; tail -n 20 "$work/velmor.log" 2>/dev/null; exit 1; }

# Where no window can be shown: one line of its own and status 2, no crash.
refused() {
  local status=0
  timeout 60 env "$@" "$viewer" >/dev/null 2>"$work/err" || status=$?
  [ "$status" = 2 ] && [ "$(wc -l <"$work/err")" = 1 ] && grep -q '^Velmor: ' "$work/err" ||
    fail "$*: status $status, said: $(cat "$work/err")"
}
refused -u DISPLAY QT_QPA_PLATFORM=xcb
refused DISPLAY=:7999 QT_QPA_PLATFORM=xcb
refused -u DISPLAY QT_QPA_PLATFORM=offscreen
refused QT_QPA_PLATFORM=offscreen
echo "without a display: one line and status 2"

main_window() { xwininfo -root -tree 2>/dev/null | awk -f "$here/main_window.awk" | cut -f1 || true; }
title() {
  local w; w=$(main_window)
  [ -z "$w" ] || xprop -id "$w" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'
}
wait_title() {
  titled() {
    [ "$(title)" = "$1" ] && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended"
    return 1
  }
  wait_until 120 titled "$1" || fail "the title is '$(title)', not '$1'"
}
# A shown window of the program titled "Velmor", narrower than the main
# window and not the progress dialog (360 x 110).
message_box() {
  local id
  for id in $(xdotool search --onlyvisible --class velmor 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = Velmor ] || continue
    xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {split($2, s, "x"); if (s[1] < 640 && s[1] != 360) ok = 1} END {exit !ok}' &&
      { echo "$id"; return; }
  done
}
wait_box() {
  box_shown() { box=$(message_box); [ -n "$box" ]; }
  wait_until 120 box_shown || fail "no message box"
}
# Answers the box that comes and any that follow it; given a number, fails
# unless exactly that many came.
answer_boxes() {
  local answered=0
  wait_box
  while [ -n "$box" ]; do
    xdotool windowfocus --sync "$box" key --clearmodifiers Return
    answered=$((answered + 1))
    sleep 1
    box=$(message_box)
  done
  [ -z "${1:-}" ] || [ "$answered" = "$1" ] || fail "$answered message boxes, not $1"
}
later() { timeout 120 "$viewer" "$1" || fail "a later start with $1 failed"; }

scene() {   # name, body of the scene's only group
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<scene version="1.35"><body>
<drawGroup name="g"><drawUnit>%s</drawUnit></drawGroup>%s
<event name="start"><targetSpace index="0"/><topGroup name="g"/></event>
<firstSetting spaceNum="1" firstEvent="start"/></body></scene>\n' "$2" "${3:-}" >"$work/$1"
}
sjis=$'\x83\x65\x83\x58\x83\x67'   # "テスト"
for name in "a$sjis" "b$sjis" plain second third; do scene "$name.vlm" '<primitive shape="cube" size="1"/>'; done
mkfifo "$work/pipe.raw" "$work/pipe.vlm"
volume='<data name="v" type="volume" format="GRAY" size="16,16,16"><file path="%s"/></data>'
scene fifo_data.vlm '<volumeRendering volume_data="v" renderingType="B"/>' "$(printf "$volume" pipe.raw)"
scene click.vlm '<primitive shape="sphere" size="3" selectable="on" event="fail"/></drawUnit></drawGroup>
<drawGroup name="broken"><drawUnit><volumeRendering volume_data="v" renderingType="B"/>' \
  "$(printf "$volume" nowhere.raw)<event name=\"fail\"><targetSpace index=\"0\"/><topGroup name=\"broken\"/></event>"

"$viewer" "$work/a$sjis.vlm" >"$work/velmor.log" 2>&1 &
pid=$!
pids="$pid"
wait_title "aテスト.vlm - Velmor"
later "$work/b$sjis.vlm"
wait_title "bテスト.vlm - Velmor"
echo "Shift_JIS names open from the command line and a later start"

later "$work/fifo_data.vlm"
answer_boxes 1
wait_title "fifo_data.vlm - Velmor"
later "$work/pipe.vlm"
answer_boxes
later "$work/plain.vlm"
wait_title "plain.vlm - Velmor"
echo "a FIFO as data and as the scene: a message each, and later starts still hand over"

later "$work/click.vlm"
wait_title "click.vlm - Velmor"
xdotool mousemove --window "$(main_window)" 640 400 click 1
wait_box
later "$work/second.vlm"
later "$work/third.vlm"
sleep 1
[ "$(title)" = "click.vlm - Velmor" ] || fail "a file opened under the message box"
answer_boxes 1
wait_title "third.vlm - Velmor"
grep -A2 '^\[Recent%20File%20List\]' "$XDG_CONFIG_HOME/Quillmarsh/Velmor.ini" | tr '\n' ' ' |
  grep -q "File1=$work/third.vlm File2=$work/second.vlm" || fail "not opened in the order they came"
kill "$pid"; wait "$pid" 2>/dev/null || true
echo "files handed over under a message box open after it, in order"

# A FIFO as the settings file is never opened, nor a file of gigabytes (real
# settings at its head): the window comes with the defaults and one message,
# later starts still hand over, telling nobody, and the file stays as it was.
for kind in fifo huge; do
  export XDG_CONFIG_HOME="$work/$kind-config" ini="$work/$kind-config/Quillmarsh/Velmor.ini"
  mkdir -p "${ini%/*}"
  if [ $kind = fifo ]; then mkfifo "$ini"; else printf '[Recent%%20File%%20List]\nFile1=%s\n' "$work/plain.vlm" >"$ini"; truncate -s 3G "$ini"; fi
  before=$(stat -c '%F %s %i %y' "$ini")
  "$viewer" >"$work/velmor.log" 2>&1 & pid=$!; pids="$pids $pid"
  wait_title "Velmor"
  answer_boxes 1
  later "$work/second.vlm"
  wait_title "second.vlm - Velmor"
  [ -z "$(message_box)" ] && [ "$(stat -c '%F %s %i %y' "$ini")" = "$before" ] || fail "$kind: told again, or the file was replaced"
  kill "$pid"; wait "$pid" 2>/dev/null || true
done
export XDG_CONFIG_HOME="$work/config"
echo "a FIFO or a huge file as the settings file: defaults, one message, and later starts still hand over"

# The single instance without a runtime folder: a folder of its own under
# $TMPDIR, refused while others may enter it.
unset XDG_RUNTIME_DIR
export TMPDIR="$work/tmp"
own="$TMPDIR/velmor-$(id -u)"
name="Velmor by Quillmarsh-$(id -u)"
mkdir -p -m 755 "$own"
alone() {   # the program still starts and opens its file itself
  "$viewer" "$work/plain.vlm" >"$work/velmor.log" 2>&1 &
  pid=$!
  pids="$pids $pid"
  wait_title "plain.vlm - Velmor"
  kill "$pid"; wait "$pid" 2>/dev/null || true
}
alone
grep -q "not a folder of this user alone" "$work/velmor.log" && [ -z "$(ls -A "$own")" ] || fail "a folder open to others was used"
# Its lock held by a live process that looks like the program, the socket
# left with nobody listening.
chmod 700 "$own"
mkdir "$work/bin"; cp "$(command -v sleep)" "$work/bin/velmor"
"$work/bin/velmor" 600 &
pids="$pids $!"
printf '%s\n%s\n%s\n' "$!" "$work/bin/velmor" "$(hostname)" >"$own/$name.lock"
/usr/bin/python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$own/$name.socket"
alone
# The socket answered by another user's process (root alone can plant one):
# it reports, through the output it opened as root, what it was told.
if [ "$(id -u)" = 0 ]; then
  rm "$own/$name.socket"
  /usr/bin/python3 - "$own/$name.socket" >"$work/heard" <<'PY' &
import os, select, socket, sys
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1])
os.setuid(65534)   # a client sees the credentials of the listen
s.listen(1)
print("ready", flush=True)
heard = b""
if select.select([s], [], [], 30)[0]:
    c, _ = s.accept()
    heard = c.recv(4096) if select.select([c], [], [], 3)[0] else b""
print(len(heard), flush=True)
PY
  listener=$!
  pids="$pids $listener"
  wait_until 120 grep -q ready "$work/heard" || true
  alone
  wait "$listener" || true
  [ "$(sed -n 2p "$work/heard")" = 0 ] || fail "another user's process was told: $(cat "$work/heard")"
fi
echo "the single instance trusts no folder, socket or process of anyone else"
