#!/usr/bin/env bash
# The single running copy shares nothing with other users. Without a runtime
# folder the lock and the socket go to a folder of this user's own under the
# temporary folder; where that folder is open to others it is refused and
# the program starts on its own. Where the lock is held but the socket does
# not answer, or is answered by another user's process, a start does not
# hand its file over (nothing reaches that process) and opens it itself.
#   private_instance.sh path/to/velmor path/to/scene.vlm
set -euo pipefail

viewer=$(realpath "$1")
scene=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/own_display.sh"
unset XDG_RUNTIME_DIR
export TMPDIR="$work/tmp"
mkdir -m 755 "$TMPDIR"
own="$TMPDIR/velmor-$(id -u)"
want="$(basename "$scene") - Velmor"

title_of_velmor() { xwininfo -root -tree 2>/dev/null | awk -f "$here/main_window.awk" | cut -f2 || true; }
# Starts the program with the scene and waits for its window to show it.
start_and_see() {
  "$viewer" "$scene" >"$work/$1.log" 2>&1 &
  started=$!
  pids="$pids $started"
  for _ in $(seq 1 200); do
    [ "$(title_of_velmor)" = "$want" ] && return 0
    kill -0 "$started" 2>/dev/null || { echo "$1: the program ended"; cat "$work/$1.log"; exit 1; }
    sleep 0.1
  done
  echo "$1: the window never showed the scene"; cat "$work/$1.log"; exit 1
}
stop() { kill "$started"; wait "$started" 2>/dev/null || true; }

# 1. The folder exists and others may enter it.
mkdir -m 755 "$own"
start_and_see open-folder
grep -q "not a folder of this user alone" "$work/open-folder.log" || { echo "no word of the refused folder"; exit 1; }
[ -z "$(ls -A "$own")" ] || { echo "lock or socket made in a folder open to others: $(ls -A "$own")"; exit 1; }
stop
echo "a folder open to others is refused and the program runs"

# 2. The folder private, its lock held by a live process that looks like the
# program, the socket left behind with nobody listening.
chmod 700 "$own"
mkdir "$work/bin"
cp "$(command -v sleep)" "$work/bin/velmor"
"$work/bin/velmor" 600 &
holder=$!
pids="$pids $holder"
name="Velmor by Quillmarsh-$(id -u)"
printf '%s\n%s\n%s\n' "$holder" "$work/bin/velmor" "$(hostname)" >"$own/$name.lock"
/usr/bin/python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$own/$name.socket"
start_and_see dead-socket
stop
echo "a socket nobody answers is not trusted"

# 3. The socket answered by another user's process (root only can plant one).
if [ "$(id -u)" -eq 0 ]; then
  rm -f "$own/$name.socket"
  # It reports through its output, opened before it gives up root.
  /usr/bin/python3 - "$own/$name.socket" >"$work/heard" <<'PY' &
import os, select, socket, sys
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1])
os.setuid(65534)          # the credentials a client sees are those of the listen
s.listen(1)
print("ready", flush=True)
heard = b""
if select.select([s], [], [], 30)[0]:
    c, _ = s.accept()
    if select.select([c], [], [], 3)[0]:
        heard = c.recv(4096)
print(len(heard), flush=True)
PY
  listener=$!
  pids="$pids $listener"
  for _ in $(seq 1 100); do grep -q ready "$work/heard" && break; sleep 0.1; done
  start_and_see foreign-socket
  wait "$listener" || true
  told=$(sed -n 2p "$work/heard")
  [ "$told" = 0 ] || { echo "another user's process was told '$told' bytes"; exit 1; }
  stop
  echo "another user's listener is told nothing"
fi
