#!/usr/bin/env bash
# Loading the same generated TIFF stack (300 slices of 512 x 512 16-bit by
# default) with ours, Python's tifffile and Pillow in one run; prints the
# times and ratios. COMPRESSION is none, lzw or deflate.
# Usage: bench/peers/tiff_stack_vs_tifffile.sh [build-dir] [slices] [repeats] [compression]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
slices=${2:-300}
repeats=${3:-5}
compression=${4:-none}
tool=$build/bench/bench_slice_stack
python=/usr/bin/python3
peer=$here/bench/peers/tiff_stack_load.py
[ -x "$tool" ] || { echo "build first: $tool missing" >&2; exit 2; }
work=$(mktemp -d /dev/shm/velmor-tiff.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/bench/peers/peer_results.sh"

"$tool" write "$work/stack" "$slices" 512 "$compression"

# Twice each, interleaved, so that none profits alone from a warm cache.
declare -A best skip
for round in 1 2; do
  for who in velmor tifffile pillow; do
    [ -z "${skip[$who]:-}" ] || continue
    case $who in
      velmor) out=$("$tool" load "$work/stack" "$repeats") ;;
      *) # tifffile reads LZW only with imagecodecs, which Debian does not package: such a peer drops out.
         if ! out=$("$python" "$peer" "$who" "$work/stack" "$repeats" 2>/dev/null); then
           echo "$who cannot read $compression stacks here; left out" >&2; skip[$who]=1; continue
         fi ;;
    esac
    take_result "$who" "$out"
  done
done

mb=$(echo "$slices * 512 * 512 * 2 / 1000000" | bc -l)
faster=
for who in velmor tifffile pillow; do
  [ -n "${best[$who]:-}" ] || continue
  printf '%-8s %4d slices (%s): %8.3f s  %8.1f MB/s\n' "$who" "$slices" "$compression" "${best[$who]}" "$(echo "$mb / ${best[$who]}" | bc -l)"
  [ "$who" = velmor ] && continue
  printf 'ratio velmor/%s time: %.2f\n' "$who" "$(echo "${best[velmor]} / ${best[$who]}" | bc -l)"
  if [ -z "$faster" ] || [ "$(echo "${best[$who]} < $faster" | bc -l)" = 1 ]; then faster=${best[$who]}; fi
done
[ -n "$faster" ] || { echo "no peer could read the stack" >&2; exit 1; }
printf 'ratio velmor/faster peer time: %.2f (at most 1.00 is the target)\n' "$(echo "${best[velmor]} / $faster" | bc -l)"
