#!/usr/bin/env bash
# Starts the real program where it cannot show its window: without DISPLAY,
# with a DISPLAY nobody serves, and on Qt's offscreen platform (no OpenGL
# window, with and without an X server behind it). Each start must end by
# itself with one line on stderr and a failure status, not a crash.
#   no_display.sh path/to/velmor
set -uo pipefail

viewer=$(realpath "$1")
source "$(dirname "$0")/own_display.sh"
served=$DISPLAY
failures=0

expect_refusal() {
  local what=$1; shift
  local status=0
  timeout 60 env "$@" "$viewer" >"$work/out" 2>"$work/err" || status=$?
  local lines; lines=$(wc -l <"$work/err")
  echo "$what: status $status, stderr: $(cat "$work/err")"
  if [ "$status" -eq 0 ] || [ "$status" -ge 124 ]; then
    echo "  expected a plain failure status"; failures=$((failures + 1))
  elif [ "$lines" -ne 1 ] || ! grep -q '^Velmor: ' "$work/err"; then
    echo "  expected exactly one line of its own"; failures=$((failures + 1))
  fi
}

expect_refusal "no DISPLAY" -u DISPLAY QT_QPA_PLATFORM=xcb
expect_refusal "a DISPLAY nobody serves" DISPLAY=:7999 QT_QPA_PLATFORM=xcb
expect_refusal "offscreen, no DISPLAY" -u DISPLAY QT_QPA_PLATFORM=offscreen
expect_refusal "offscreen on an X server" DISPLAY="$served" QT_QPA_PLATFORM=offscreen
exit $((failures > 0))
