#!/usr/bin/env bash
# Loading the same generated CT series (500 slices of 512 x 512 16-bit by
# default) with ours, DCMTK and GDCM in one run; prints the times and ratios.
# The peers are built here against libdcmtk-dev and libgdcm-dev; the program
# itself never links them.
# Usage: bench/peers/dicom_vs_dcmtk_gdcm.sh [build-dir] [slices] [repeats]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
slices=${2:-500}
repeats=${3:-5}
tool=$build/bench/bench_dicom_series
[ -x "$tool" ] || { echo "build first: $tool missing" >&2; exit 2; }
work=$(mktemp -d /dev/shm/velmor-dicom.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/bench/peers/peer_results.sh"

peers=$here/bench/peers
g++ -std=c++17 -O2 -o "$work/dicom_load_dcmtk" "$peers/dicom_load_dcmtk.cpp" \
  -ldcmdata -loflog -lofstd
g++ -std=c++17 -O2 -I/usr/include/gdcm-3.0 -o "$work/dicom_load_gdcm" "$peers/dicom_load_gdcm.cpp" \
  -lgdcmMSFF -lgdcmDSED -lgdcmCommon

"$tool" write "$work/series" "$slices" 512

# Twice each, interleaved, so that none profits alone from a warm cache.
declare -A best
for round in 1 2; do
  for who in velmor dcmtk gdcm; do
    case $who in
      velmor) out=$("$tool" load "$work/series" "$repeats") ;;
      dcmtk) out=$("$work/dicom_load_dcmtk" "$work/series" "$repeats") ;;
      gdcm) out=$("$work/dicom_load_gdcm" "$work/series" "$repeats") ;;
    esac
    take_result "$who" "$out"
  done
done

mb=$(echo "$slices * 512 * 512 * 2 / 1000000" | bc -l)
for who in velmor dcmtk gdcm; do
  printf '%-7s %4d slices: %8.3f s  %8.1f MB/s\n' "$who" "$slices" "${best[$who]}" "$(echo "$mb / ${best[$who]}" | bc -l)"
done
faster=$(echo "if (${best[dcmtk]} < ${best[gdcm]}) ${best[dcmtk]} else ${best[gdcm]}" | bc -l)
printf 'ratio velmor/dcmtk time: %.2f\n' "$(echo "${best[velmor]} / ${best[dcmtk]}" | bc -l)"
printf 'ratio velmor/gdcm time:  %.2f\n' "$(echo "${best[velmor]} / ${best[gdcm]}" | bc -l)"
printf 'ratio velmor/faster peer time: %.2f (at most 1.00 is the target)\n' "$(echo "${best[velmor]} / $faster" | bc -l)"
