# Sourced by the peer scripts. take_result WHO OUTPUT reads a loader's
# "files=<n> seconds=<s> checksum=<c>" line: every loader must report the
# checksum of the first one, and the associative array `best` keeps each
# loader's shortest time.
take_result() {
  local who=$1 out=$2 seconds sum
  seconds=${out#*seconds=}; seconds=${seconds%% *}
  sum=${out##*checksum=}
  if [ -n "${checksum:-}" ] && [ "$sum" != "$checksum" ]; then
    echo "$who read other values (checksum $sum, expected $checksum)" >&2; exit 1
  fi
  checksum=$sum
  if [ -z "${best[$who]:-}" ] || [ "$(echo "$seconds < ${best[$who]}" | bc -l)" = 1 ]; then best[$who]=$seconds; fi
}
