#!/usr/bin/python3
"""Writes the data of the example scene phantom.vlm into a folder (by default
examples/phantom next to this script):

  phantom.raw  a CT-like head phantom, 128 x 128 x 128 voxels of 1 mm,
               16-bit little-endian values (water 1000, bone 1900 and up)
  torus.stl    a binary STL ring (an "implant") that sits inside the skull

Nothing is written when both files are already there.
"""
import math
import os
import struct
import sys

import numpy as np
from scipy import ndimage

N = 128


def ellipsoid(z, y, x, centre, radii):
    cz, cy, cx = centre
    rz, ry, rx = radii
    return ((z - cz) / rz) ** 2 + ((y - cy) / ry) ** 2 + ((x - cx) / rx) ** 2 <= 1.0


def phantom():
    z, y, x = np.mgrid[0:N, 0:N, 0:N].astype(np.float32)
    c = (N - 1) / 2.0
    volume = np.zeros((N, N, N), dtype=np.float32)            # air
    volume[ellipsoid(z, y, x, (c, c, c), (54, 58, 46))] = 1040  # skin and soft tissue
    volume[ellipsoid(z, y, x, (c, c, c), (50, 54, 42))] = 1950  # skull
    volume[ellipsoid(z, y, x, (c, c, c), (45, 49, 37))] = 1030  # brain
    for side in (-1, 1):                                        # ventricles
        volume[ellipsoid(z, y, x, (c + 4, c - 6, c + side * 9), (16, 5, 4))] = 1005
    volume[ellipsoid(z, y, x, (c - 16, c + 14, c - 12), (8, 8, 8))] = 1300  # a lesion
    volume[ellipsoid(z, y, x, (c + 22, c + 18, c + 16), (5, 5, 5))] = 1250  # another
    # Edges as soft as a scanner's.
    volume = ndimage.gaussian_filter(volume, 1.0)
    return np.clip(volume, 0, 4095).astype("<u2")


def torus_triangles(major=0.16, minor=0.045, rings=48, sides=16):
    """A ring in the x-y plane around the origin, in units of half the
    volume's side, to lie inside the brain."""
    def point(i, j):
        u = 2 * math.pi * i / rings
        v = 2 * math.pi * j / sides
        r = major + minor * math.cos(v)
        return (r * math.cos(u), r * math.sin(u), minor * math.sin(v))

    triangles = []
    for i in range(rings):
        for j in range(sides):
            a, b = point(i, j), point(i + 1, j)
            c, d = point(i + 1, j + 1), point(i, j + 1)
            triangles.append((a, b, c))
            triangles.append((a, c, d))
    return triangles


def write_stl(path, triangles, scale):
    with open(path, "wb") as f:
        f.write(b"Velmor example ring".ljust(80, b" "))
        f.write(struct.pack("<I", len(triangles)))
        for t in triangles:
            (ax, ay, az), (bx, by, bz), (cx, cy, cz) = t
            ux, uy, uz = bx - ax, by - ay, bz - az
            vx, vy, vz = cx - ax, cy - ay, cz - az
            n = (uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx)
            length = math.sqrt(sum(k * k for k in n)) or 1.0
            f.write(struct.pack("<3f", *(k / length for k in n)))
            for p in t:
                f.write(struct.pack("<3f", *(k * scale for k in p)))
            f.write(b"\0\0")


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "phantom")
    os.makedirs(folder, exist_ok=True)
    raw = os.path.join(folder, "phantom.raw")
    stl = os.path.join(folder, "torus.stl")
    if os.path.exists(raw) and os.path.exists(stl):
        return
    phantom().tofile(raw + ".part")
    os.replace(raw + ".part", raw)
    # The ring is given in millimetres around the volume's centre.
    write_stl(stl + ".part", torus_triangles(), N / 2.0)
    os.replace(stl + ".part", stl)


if __name__ == "__main__":
    main()
