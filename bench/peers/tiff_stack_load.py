"""Loads every TIFF file of a folder into one volume, as a viewer of image
stacks does, with tifffile or Pillow; prints the median of REPEATS passes as
"files=<n> seconds=<s> checksum=<c>" (the checksum, the sum of all values,
is taken outside the timing).

Usage: tiff_stack_load.py tifffile|pillow DIR [REPEATS]
"""
import os
import sys
import time

import numpy as np
import tifffile


def loader(name):
    if name == "tifffile":

        def load(path, out):
            tifffile.imread(path, out=out)

        return load
    from PIL import Image

    def load(path, out):
        with Image.open(path) as image:
            out[...] = np.asarray(image)

    return load


def main():
    name, folder = sys.argv[1], sys.argv[2]
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    files = sorted(os.path.join(folder, f) for f in os.listdir(folder) if os.path.isfile(os.path.join(folder, f)))
    load = loader(name)
    seconds, checksum = [], 0
    for _ in range(repeats):
        start = time.perf_counter()
        # The first file's shape sizes the volume, as the scene's "size" does for us.
        with tifffile.TiffFile(files[0]) as first:
            shape = tuple(first.pages[0].shape)
        volume = np.empty((len(files),) + shape, dtype=np.uint16)
        for z, path in enumerate(files):
            load(path, volume[z])
        seconds.append(time.perf_counter() - start)
        checksum = int(volume.sum(dtype=np.uint64))
    seconds.sort()
    print(f"files={len(files)} seconds={seconds[len(seconds) // 2]:.6f} checksum={checksum}")


if __name__ == "__main__":
    main()
