#!/usr/bin/env bash
# The same generated CT series (500 slices of 512 x 512 16-bit by default),
# in one run:
#  - parsing every file with ours, DCMTK and GDCM;
#  - loading the series into one volume: ours through the payload loader
#    (instance order, one payload, histogram) at one thread and at all
#    cores, against GDCM sorting by instance number and reading each slice
#    into one buffer.
# Rounds are interleaved; times are medians. Ratios are the peer's time over
# ours: above 1.00 we are faster. The peers are built here against
# libdcmtk-dev and libgdcm-dev; the program itself never links them.
# Usage: bench/peers/dicom_vs_dcmtk_gdcm.sh [build-dir] [slices] [repeats] [rounds]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
slices=${2:-500}
repeats=${3:-3}
rounds=${4:-3}
tool=$build/bench/bench_dicom_series
. "$here/bench/peers/peer_results.sh"
peer_work "$tool" dicom

peers=$here/bench/peers
g++ -std=c++17 -O2 -o "$work/dicom_load_dcmtk" "$peers/dicom_load_dcmtk.cpp" \
  -ldcmdata -loflog -lofstd
g++ -std=c++17 -O2 -I/usr/include/gdcm-3.0 -o "$work/dicom_load_gdcm" "$peers/dicom_load_gdcm.cpp" \
  -lgdcmMSFF -lgdcmDSED -lgdcmCommon
g++ -std=c++17 -O2 -I/usr/include/gdcm-3.0 -o "$work/dicom_volume_gdcm" "$peers/dicom_volume_gdcm.cpp" \
  -lgdcmMSFF -lgdcmDSED -lgdcmCommon

"$tool" write "$work/series" "$slices" 512
cores=$(nproc)
mb=$(echo "$slices * 512 * 512 * 2 / 1000000" | bc -l)
declare -A times

# Parsing every file (what the slice loader takes of each).
checksum=
for round in $(seq "$rounds"); do
  for who in velmor dcmtk gdcm; do
    case $who in
      velmor) out=$("$tool" load "$work/series" "$repeats") ;;
      dcmtk) out=$("$work/dicom_load_dcmtk" "$work/series" "$repeats") ;;
      gdcm) out=$("$work/dicom_load_gdcm" "$work/series" "$repeats") ;;
    esac
    take_result "$who" "$out"
  done
done
echo "parsing $slices files:"
for who in velmor dcmtk gdcm; do
  printf '  %-7s %8.3f s  %8.1f MB/s\n' "$who" "$(median $who)" "$(echo "$mb / $(median $who)" | bc -l)"
done
printf '  ratio dcmtk/velmor time: %.2f\n' "$(ratio dcmtk velmor)"
printf '  ratio gdcm/velmor time:  %.2f\n' "$(ratio gdcm velmor)"

# The series into one volume.
checksum=
for round in $(seq "$rounds"); do
  for who in velmor-1 velmor-all gdcm-volume; do
    case $who in
      velmor-1) out=$("$tool" volume "$work/series" "$repeats" 1) ;;
      velmor-all) out=$("$tool" volume "$work/series" "$repeats" 0) ;;
      gdcm-volume) out=$("$work/dicom_volume_gdcm" "$work/series" "$repeats") ;;
    esac
    take_result "$who" "$out"
  done
done
echo "the series into one volume:"
for who in velmor-1 velmor-all gdcm-volume; do
  printf '  %-11s %8.3f s  %8.1f MB/s\n' "$who" "$(median $who)" "$(echo "$mb / $(median $who)" | bc -l)"
done
printf '  ratio gdcm/velmor time, 1 thread:      %.2f (at least 1.00 is the target)\n' "$(ratio gdcm-volume velmor-1)"
printf '  ratio gdcm/velmor time, %d threads:     %.2f (at least 1.00 is the target)\n' "$cores" "$(ratio gdcm-volume velmor-all)"
