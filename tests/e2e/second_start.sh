#!/usr/bin/env bash
# Starts the real program on its own X server, then starts it again with a
# scene: the second start must end by itself and the first copy must open
# the scene (its window title names the file); so too for a plain user
# inside a user namespace of its own.
#   second_start.sh path/to/velmor path/to/scene.vlm
set -euo pipefail

viewer=$(realpath "$1")
scene=$(realpath "$2")
source "$(dirname "$0")/own_display.sh"

title_of_velmor() {
  xwininfo -root -tree 2>/dev/null | awk -f "$(dirname "$0")/main_window.awk" | cut -f2 || true
}

"$viewer" >"$work/first.log" 2>&1 &
first=$!
pids="$first"
# One look may fail while windows come and go: the last one counts.
title=""
titled() {
  title=$(title_of_velmor)
  [ "$title" = "$1" ] && return 0
  kill -0 "$first" 2>/dev/null || { echo "the first copy ended"; cat "$work/first.log"; exit 1; }
  return 1
}
wait_until 120 titled Velmor || { echo "first window not found: '$title'"; exit 1; }

# The second start hands its path over and ends without a window of its own.
timeout 120 "$viewer" "$scene" >"$work/second.log" 2>&1 || { echo "second start failed or hung"; cat "$work/second.log"; exit 1; }

want="$(basename "$scene") - Velmor"
wait_until 120 titled "$want" || true
title=$(title_of_velmor)
echo "first copy's title: $title"
[ "$title" = "$want" ] || { echo "expected '$want'"; cat "$work/first.log"; exit 1; }
kill -0 "$first" 2>/dev/null || { echo "the first copy ended"; exit 1; }

# A stopped copy takes connections but cannot answer: a later start opens its
# file in a window of its own and says so, one without a file an empty one, and
# neither takes the lock, however old. Continued, the copy opens only the next.
# Waits until main windows have each of the given titles.
shown() { local t tree; tree=$(xwininfo -root -tree 2>/dev/null); for t; do grep -qF "\"$t\": (\"velmor\" \"Velmor\")" <<<"$tree" || return 1; done; }
windows() { wait_until 120 shown "$@"; }
for name in stopped resumed; do cp "$scene" "$work/$name.vlm"; done
kill -STOP "$first"
lock="$XDG_RUNTIME_DIR/Velmor by Quillmarsh-$(id -u).lock"
[ -f "$lock" ] && touch -d '1 hour ago' "$lock" || { echo "no lock at $lock"; exit 1; }
"$viewer" "$work/stopped.vlm" >"$work/velmor.log" 2>&1 & pids="$pids $!"
"$viewer" >/dev/null 2>&1 & pids="$pids $!"
windows "stopped.vlm - Velmor" Velmor && [ "$(grep -c 'running copy does not answer' "$work/velmor.log")" = 1 ] ||
  { echo "no windows of their own, or no word why, beside a stopped copy"; exit 1; }
kill -CONT "$first"
timeout 120 "$viewer" "$work/resumed.vlm" || { echo "a start after the copy continued failed or hung"; exit 1; }
windows "resumed.vlm - Velmor" "stopped.vlm - Velmor" || { echo "the continued copy did not open the next file"; exit 1; }
grep -A3 '^\[Recent%20File%20List\]' "$XDG_CONFIG_HOME/Quillmarsh/Velmor.ini" | tr '\n' ' ' |
  grep -qxF "[Recent%20File%20List] File1=$work/resumed.vlm File2=$scene " || { echo "the continued copy opened the other file too"; exit 1; }

# Inside a user namespace that maps a plain user to itself alone, root's
# folders show as owned by an id the namespace cannot name: they are still the
# system's, and a later start there hands its file to the running copy.
user=1000 ns="$work/namespace"
inside=(setpriv "--reuid=$user" "--regid=$user" --clear-groups env HOME="$ns/home" XDG_RUNTIME_DIR="$ns/run"
        XDG_CONFIG_HOME="$ns/home/config" LSAN_OPTIONS="suppressions=$ns/lsan.supp:print_suppressions=0"
        unshare -U --map-current-user)
"${inside[@]}" true 2>/dev/null || { echo "no user namespace for a plain user here: skipped the start inside one"; exit 0; }
# The program (and the leak checker's suppressions, which a sanitizer build reads) is copied
# there: the checkout may lie in a folder the user cannot enter.
mkdir -p "$ns/run" "$ns/home" && chmod 700 "$ns/run" && chmod 755 "$work" && cp "$scene" "$ns/namespace.vlm" &&
  cp "$viewer" "$ns/velmor" && cp "$(dirname "$0")/../../sanitize/lsan.supp" "$ns/" && chown -R "$user:$user" "$ns"
viewer="$ns/velmor"
"${inside[@]}" "$viewer" >"$work/velmor.log" 2>&1 & pids="$pids $!"
listens() { ! grep -q 'runs on its own' "$work/velmor.log" || exit 1; test -S "$ns/run/Velmor by Quillmarsh-$user.socket"; }
wait_until 120 listens || { echo "the copy in a namespace does not listen"; exit 1; }
timeout 120 "${inside[@]}" "$viewer" "$ns/namespace.vlm" || { echo "a later start in a namespace failed or hung"; exit 1; }
windows "namespace.vlm - Velmor" || { echo "the copy in a namespace did not open the file handed to it"; exit 1; }
