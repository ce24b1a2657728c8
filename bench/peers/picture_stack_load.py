"""Makes and loads stacks of 8-bit grey pictures with Pillow.

  picture_stack_load.py write png|jpg|bmp DIR [SLICES [SIZE]]
      writes SLICES SIZE x SIZE grey pictures (512 and 512 by default): a
      body of smooth tissue with noise in an empty field, as CT slices look,
      so that the encoders have something to do.
  picture_stack_load.py load DIR [REPEATS [THREADS]]
      loads every file of DIR into one numpy volume, as a viewer of image
      stacks does, on THREADS threads of a pool (0: one per core; Pillow's
      decoders let go of the interpreter while they decode); prints the
      median of REPEATS passes as "files=<n> seconds=<s> checksum=<c>" (the
      sum of all values, taken outside the timing).
"""
import os
import sys
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np
from PIL import Image


def write(kind, folder, slices, size):
    os.makedirs(folder, exist_ok=True)
    rng = np.random.default_rng(7)
    yy, xx = np.mgrid[0:size, 0:size].astype(np.float64)
    centre = size / 2.0
    inside = (xx - centre) ** 2 + ((yy - centre) * 1.3) ** 2 < (0.42 * size) ** 2
    for z in range(slices):
        tissue = 110 + 50 * np.sin(xx / 23.0 + z / 17.0) * np.cos(yy / 31.0 - z / 29.0)
        values = np.where(inside, tissue, 12) + rng.integers(0, 12, size=(size, size))
        picture = Image.fromarray(values.clip(0, 255).astype(np.uint8), "L")
        path = os.path.join(folder, f"slice{z + 1:04d}.{kind}")
        if kind == "jpg":
            picture.save(path, quality=90)
        else:
            picture.save(path)


def load(folder, repeats, threads):
    files = sorted(os.path.join(folder, f) for f in os.listdir(folder) if os.path.isfile(os.path.join(folder, f)))
    threads = threads or os.cpu_count()
    seconds, checksum = [], 0

    def read(z, volume):
        with Image.open(files[z]) as picture:
            volume[z] = np.asarray(picture)

    with ThreadPoolExecutor(max_workers=threads) as pool:
        for _ in range(repeats):
            start = time.perf_counter()
            # The first file's size sizes the volume, as the scene's "size" does for us.
            with Image.open(files[0]) as first:
                width, height = first.size
            volume = np.empty((len(files), height, width), dtype=np.uint8)
            if threads == 1:
                for z in range(len(files)):
                    read(z, volume)
            else:
                list(pool.map(lambda z: read(z, volume), range(len(files))))
            seconds.append(time.perf_counter() - start)
            checksum = int(volume.sum(dtype=np.uint64))
    seconds.sort()
    print(f"files={len(files)} seconds={seconds[len(seconds) // 2]:.6f} checksum={checksum}")


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "write":
        write(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) > 4 else 512,
              int(sys.argv[5]) if len(sys.argv) > 5 else 512)
    elif len(sys.argv) >= 3 and sys.argv[1] == "load":
        load(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 1, int(sys.argv[4]) if len(sys.argv) > 4 else 0)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
