#!/usr/bin/python3
"""Checks a section written by the section sampler test against SciPy's
trilinear interpolation with zero padding (neighbours outside the volume
contribute nothing).

Usage: section_peer.py folder nx ny nz bytes n scale ax ay az bx by bz ox oy oz
The folder holds volume.raw (x fastest, 1 or 2 bytes a sample) and
work.raw (n x n samples of the same width, row by row). Exit 0 when every
check passes, 77 when SciPy is missing, 1 otherwise.
"""
import sys

try:
    import numpy as np
    from scipy import ndimage
except ImportError as missing:
    print(f"skipped: {missing}")
    sys.exit(77)

folder = sys.argv[1]
nx, ny, nz, width, n = map(int, sys.argv[2:7])
scale = float(sys.argv[7])
a, b, o = (np.array(list(map(float, sys.argv[8 + 3 * i:11 + 3 * i]))) for i in range(3))
dtype = np.uint8 if width == 1 else np.uint16
volume = np.fromfile(f"{folder}/volume.raw", dtype=dtype).reshape(nz, ny, nx).astype(np.float64)
work = np.fromfile(f"{folder}/work.raw", dtype=dtype).reshape(n, n).astype(np.int64)

offsets = ((np.arange(n) + 0.5) / n) * 2 * scale - scale
dims = np.array([nx, ny, nz], dtype=np.float64)
rows, cols = np.meshgrid(offsets, offsets, indexing="ij")
pos = o + rows[..., None] * b + cols[..., None] * a + dims / 2 - 0.5   # (n, n, xyz)
coords = np.stack([pos[..., 2], pos[..., 1], pos[..., 0]])
values = ndimage.map_coordinates(volume, coords, order=1, mode="grid-constant", cval=0.0, prefilter=False)

failures = []
inside = np.all((pos > -1) & (pos < dims), axis=-1)
written = work != 0
column = np.arange(n)[None, :].repeat(n, axis=0)
# Texels clearly inside (a thousandth of a sample from every face) away from
# the two outermost columns on each side must be sampled; nothing outside.
margin = np.all((pos > -1 + 1e-3) & (pos < dims - 1e-3), axis=-1) & (column >= 2) & (column <= n - 3)
expected = np.floor(values + 0.5).astype(np.int64)
if np.any(written & ~inside):
    failures.append(f"{int(np.sum(written & ~inside))} texels written outside the volume")
missing = margin & (expected != 0) & ~written
if np.any(missing):
    failures.append(f"{int(np.sum(missing))} texels inside the volume left empty")
sampled = written | (margin & (expected != 0))
ties = np.abs(values - np.floor(values) - 0.5) < 1e-6
wrong = sampled & (work != expected) & ~(ties & (np.abs(work - expected) <= 1))
if np.any(wrong):
    r, c = np.argwhere(wrong)[0]
    failures.append(f"{int(np.sum(wrong))} texels differ, first ({r}, {c}): {work[r, c]} against {values[r, c]}")
if int(np.sum(written)) < n * n // 10:
    failures.append(f"only {int(np.sum(written))} texels written")
if failures:
    print("\n".join(failures))
    sys.exit(1)
print(f"{int(np.sum(written))} texels match SciPy's trilinear interpolation")
