#!/usr/bin/env bash
# Runs a test program on an X server of its own: the view's OpenGL widget
# cannot live on Qt's offscreen platform.
#   with_own_display.sh program [arguments...]
set -uo pipefail
source "$(dirname "$0")/own_display.sh"
export QT_QPA_PLATFORM=xcb
"$@"
status=$?
exit $status
