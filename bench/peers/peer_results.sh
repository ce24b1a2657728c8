# Sourced by the peer scripts. peer_work TOOL NAME stops unless the built
# TOOL is there and makes `work`, a scratch folder (in memory where there is
# one) removed when the script ends. take_result WHO OUTPUT reads a loader's
# "files=<n> seconds=<s> checksum=<c>" line: every loader must report the
# checksum of the first one since `checksum` was last emptied. The
# associative array `times` collects each loader's seconds, one a round;
# `median WHO` prints their median and `ratio PEER WHO` the peer's median
# time over WHO's (above 1: WHO is faster).
peer_work() {
  [ -x "$1" ] || { echo "build first: $1 missing" >&2; exit 2; }
  work=$(mktemp -d "/dev/shm/velmor-$2.XXXXXX" 2>/dev/null || mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

take_result() {
  local who=$1 out=$2 seconds sum
  seconds=${out#*seconds=}; seconds=${seconds%% *}
  sum=${out##*checksum=}
  if [ -n "${checksum:-}" ] && [ "$sum" != "$checksum" ]; then
    echo "$who read other values (checksum $sum, expected $checksum)" >&2; exit 1
  fi
  checksum=$sum
  times[$who]="${times[$who]:-} $seconds"
}

median() {
  printf '%s\n' ${times[$1]} | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() {
  echo "$(median "$1") / $(median "$2")" | bc -l
}
