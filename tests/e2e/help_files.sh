#!/usr/bin/env bash
# The manual and the tutorial of the Help menu as the built program finds
# them: the real program on its own X server is asked for both (F1, and the
# Help menu's チュートリアル), and what it hands to the desktop's opener (a
# stand-in xdg-open that notes its argument) must be the files beside the
# program; the manual must be a sound PDF with its Japanese text in an
# embedded Japanese font, and the tutorial's local links must all be there.
#   help_files.sh path/to/velmor
set -euo pipefail

viewer=$(realpath "$1")
folder=$(dirname "$viewer")
source "$(dirname "$0")/own_display.sh"

mkdir "$work/bin"
cat >"$work/bin/xdg-open" <<OPENER
#!/bin/sh
echo "\$1" >>"$work/opened.txt"
OPENER
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"
touch "$work/opened.txt"

# Started without a scene: the positional parameters would reach the program.
set --
source "$(dirname "$0")/start_viewer.sh"

# The opener gets file URLs; the paths they name, one a line.
opened_paths() {
  /usr/bin/python3 -c 'import sys, urllib.parse
for line in open(sys.argv[1]):
    u = urllib.parse.urlparse(line.strip())
    print(urllib.parse.unquote(u.path) if u.scheme == "file" else line.strip())' "$work/opened.txt"
}
# Presses keys until the opener has been handed `want` (a key press can be
# lost while the window is still settling).
ask_until_opened() {
  local want=$1; shift
  for _ in $(seq 1 20); do
    # Looked up each time: the window may have been made anew since.
    window=$(xwininfo -root -tree 2>/dev/null | awk -f "$(dirname "$0")/main_window.awk" | cut -f1 || true)
    [ -n "$window" ] && timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
    for keys in "$@"; do xdotool key --clearmodifiers "$keys"; sleep 0.3; done
    for _ in $(seq 1 50); do
      opened_paths | grep -qxF "$want" && return 0
      sleep 0.1
    done
    xdotool key --clearmodifiers Escape
  done
  echo "the opener was not handed $want; it got:"; opened_paths
  echo "windows:"; xwininfo -root -tree | grep -i velmor || true
  echo "focus: $(xdotool getwindowfocus getwindowname 2>&1 || true)"
  echo "program output:"; cat "$work/velmor.log"
  return 1
}

manual="$folder/ManualJ.pdf"
tutorial="$folder/TutorialJ/index.html"
ask_until_opened "$manual" F1
ask_until_opened "$tutorial" alt+h t
status=0
# Nothing else went to the opener, and no message (such as "file not found")
# is waiting for an answer.
unexpected=$(opened_paths | grep -vxF -e "$manual" -e "$tutorial" || true)
[ -z "$unexpected" ] || { echo "unexpected hand-over: $unexpected"; status=1; }
boxes=$(xdotool search --onlyvisible --name '^Velmor$' 2>/dev/null | wc -l)
[ "$boxes" -le 1 ] || { echo "a message box is showing"; status=1; }
kill -0 "$pid" 2>/dev/null || { echo "the program did not keep running"; status=1; }

# The manual: a sound PDF of a few pages whose Japanese text is there as
# text, in an embedded IPA font.
pdfinfo "$manual" >"$work/pdfinfo.txt" || { echo "pdfinfo cannot read the manual"; status=1; }
pages=$(awk '/^Pages:/ { print $2 }' "$work/pdfinfo.txt")
echo "manual: ${pages:-?} pages"
[ "${pages:-0}" -ge 3 ] || { echo "the manual has too few pages"; status=1; }
pdffonts "$manual" | awk '$1 ~ /^IPA/ && / yes +(yes|no) +yes/ { found = 1 } END { exit !found }' ||
  { echo "no embedded Japanese font with text mapping"; pdffonts "$manual"; status=1; }
text=$(pdftotext -enc UTF-8 "$manual" -)
for words in "マニュアル(&M)" "チュートリアル(&T)" "ユニットパネル" "ポリゴン出力" "file not found"; do
  grep -qF "$words" <<<"$text" || { echo "the manual's text lacks $words"; status=1; }
done

# The tutorial: HTML that parses, whose local links and pictures exist.
xmllint --html --noout "$tutorial" || { echo "the tutorial does not parse"; status=1; }
links=$(xmllint --html --xpath '//link/@href | //a/@href | //img/@src | //script/@src' "$tutorial" 2>/dev/null |
  sed -n 's/.*="\([^"]*\)".*/\1/p')
for link in $links; do
  case "$link" in http://* | https://* | \#*) continue ;; esac
  [ -f "$folder/TutorialJ/${link%%#*}" ] || { echo "the tutorial links to a missing $link"; status=1; }
done
exit $status
