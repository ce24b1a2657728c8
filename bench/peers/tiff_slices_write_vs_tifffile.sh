#!/usr/bin/env bash
# Writing a 512 x 512 x 300 16-bit volume as numbered TIFF slices: ours
# (bench_export) against Python's tifffile writing the same uncompressed
# slices into the same kind of folder; prints both times and the ratio.
# Usage: bench/peers/tiff_slices_write_vs_tifffile.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
tool=$build/bench/bench_export
python=/usr/bin/python3
[ -x "$tool" ] || { echo "build first: $tool missing" >&2; exit 2; }

ours=$("$tool" --benchmark_filter=TiffSlices --benchmark_format=csv 2>/dev/null |
  awk -F, '/TiffSlices/ { print $3 / 1000 }')

peer=$("$python" - <<'PY'
import os, shutil, tempfile, time
import numpy as np
import tifffile
z, y, x = np.indices((300, 512, 512), dtype=np.uint32)
volume = ((x * x + y * 3 + z * 17) % 4096 + ((x * 7919 + y) & 63)).astype(np.uint16)
best = None
for _ in range(3):
    folder = tempfile.mkdtemp(prefix="tifffile-slices-")
    start = time.perf_counter()
    for k in range(volume.shape[0]):
        tifffile.imwrite(os.path.join(folder, f"{k:04d}.tif"), volume[k][::-1], rowsperstrip=8)
    took = time.perf_counter() - start
    shutil.rmtree(folder)
    best = took if best is None else min(best, took)
print(best)
PY
)

printf 'velmor   %.3f s\ntifffile %.3f s\nratio tifffile / velmor: %.2f\n' "$ours" "$peer" "$(echo "$peer / $ours" | bc -l)"
