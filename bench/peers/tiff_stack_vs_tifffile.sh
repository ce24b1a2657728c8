#!/usr/bin/env bash
# Loading the same generated TIFF stack (300 slices of 512 x 512 16-bit by
# default) with ours (through the payload loader, at one thread and at all
# cores), Python's tifffile and Pillow, in one run with interleaved rounds;
# prints median times and ratios (the peer's time over ours: above 1.00 we
# are faster) and our speed-up from one thread to all. COMPRESSION is none,
# lzw or deflate.
# Usage: bench/peers/tiff_stack_vs_tifffile.sh [build-dir] [slices] [repeats] [compression] [rounds]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
slices=${2:-300}
repeats=${3:-3}
compression=${4:-none}
rounds=${5:-3}
tool=$build/bench/bench_slice_stack
python=/usr/bin/python3
peer=$here/bench/peers/tiff_stack_load.py
. "$here/bench/peers/peer_results.sh"
peer_work "$tool" tiff

"$tool" write "$work/stack" "$slices" 512 "$compression"
cores=$(nproc)

declare -A times skip
for round in $(seq "$rounds"); do
  for who in velmor-1 velmor-all tifffile pillow; do
    [ -z "${skip[$who]:-}" ] || continue
    case $who in
      velmor-1) out=$("$tool" load "$work/stack" "$repeats" 1) ;;
      velmor-all) out=$("$tool" load "$work/stack" "$repeats" 0) ;;
      *) # tifffile reads LZW only with imagecodecs, which Debian does not package: such a peer drops out.
         if ! out=$("$python" "$peer" "$who" "$work/stack" "$repeats" 2>/dev/null); then
           echo "$who cannot read $compression stacks here; left out" >&2; skip[$who]=1; continue
         fi ;;
    esac
    take_result "$who" "$out"
  done
done

mb=$(echo "$slices * 512 * 512 * 2 / 1000000" | bc -l)
for who in velmor-1 velmor-all tifffile pillow; do
  [ -n "${times[$who]:-}" ] || continue
  printf '%-10s %4d slices (%s): %8.3f s  %8.1f MB/s\n' "$who" "$slices" "$compression" "$(median $who)" "$(echo "$mb / $(median $who)" | bc -l)"
done
for who in tifffile pillow; do
  [ -n "${times[$who]:-}" ] || continue
  printf 'ratio %s/velmor time: %.2f at 1 thread, %.2f at %d threads\n' "$who" "$(ratio $who velmor-1)" "$(ratio $who velmor-all)" "$cores"
done
printf 'velmor from 1 to %d threads: %.2fx faster, the same values\n' "$cores" "$(ratio velmor-1 velmor-all)"
