#!/usr/bin/env bash
# Loading the same generated stacks of 8-bit grey pictures (512 slices of
# 512 x 512 PNG, JPEG and BMP by default, written by Pillow) into one volume:
# ours through the payload loader (one payload, histogram) against Pillow
# reading each picture into one numpy volume in one process, each at one
# thread and on all cores (Pillow with a thread pool). Every measurement is
# a fresh process timing its own load; rounds are interleaved and times are
# medians. Ratios are Pillow's time over ours: above 1.00 we are faster.
# Usage: bench/peers/picture_stack_vs_pillow.sh [build-dir] [slices] [rounds] [formats]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
slices=${2:-512}
rounds=${3:-5}
formats=${4:-png jpg bmp}
tool=$build/bench/bench_slice_stack
python=/usr/bin/python3
peer=$here/bench/peers/picture_stack_load.py
. "$here/bench/peers/peer_results.sh"
peer_work "$tool" pictures

cores=$(nproc)
mb=$(echo "$slices * 512 * 512 / 1000000" | bc -l)
for format in $formats; do
  "$python" "$peer" write "$format" "$work/$format" "$slices" 512
  declare -A times=()
  checksum=
  for round in $(seq "$rounds"); do
    for who in velmor-1 pillow-1 velmor-all pillow-all; do
      case $who in
        velmor-1) out=$("$tool" load "$work/$format" 1 1) ;;
        velmor-all) out=$("$tool" load "$work/$format" 1 0) ;;
        pillow-1) out=$("$python" "$peer" load "$work/$format" 1 1) ;;
        pillow-all) out=$("$python" "$peer" load "$work/$format" 1 0) ;;
      esac
      take_result "$who" "$out"
    done
  done
  echo "$slices slices of $format:"
  for who in velmor-1 pillow-1 velmor-all pillow-all; do
    printf '  %-10s %8.3f s  %8.1f MB/s\n' "$who" "$(median $who)" "$(echo "$mb / $(median $who)" | bc -l)"
  done
  printf '  ratio pillow/velmor time, 1 thread:   %.2f (at least 1.00 is the target)\n' "$(ratio pillow-1 velmor-1)"
  printf '  ratio pillow/velmor time, %d threads:  %.2f (at least 2.00 is the target)\n' "$cores" "$(ratio pillow-all velmor-all)"
  rm -rf "${work:?}/$format"
done
