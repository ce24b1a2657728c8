#!/usr/bin/python3
"""Loading a 512 x 512 x 500 16-bit volume: bench_volume's raw and run-length
readers against `cat` of the raw file and numpy's fromfile plus a row flip
per slice, all on the same files in the page cache, in one run.

Usage: bench/peers/volume_vs_cat_numpy.py [build-dir]
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SHAPE = (500, 512, 512)
ROUNDS = 5


def best_seconds(action):
    best = float("inf")
    for _ in range(ROUNDS):
        start = time.perf_counter()
        action()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    tool = os.path.join(build, "bench", "bench_volume")
    if not os.access(tool, os.X_OK):
        sys.exit(f"build first: {tool} missing")
    with tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else None) as work:
        out = os.path.join(work, "ours.json")
        subprocess.run([tool, "--benchmark_format=console", f"--benchmark_out={out}", "--benchmark_out_format=json"],
                       env=dict(os.environ, VELMOR_BENCH_DIR=work), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        with open(out) as f:
            ours = {b["name"]: b["bytes_per_second"] / 1e6 for b in json.load(f)["benchmarks"]}
        raw = os.path.join(work, "v.raw")
        size_mb = os.path.getsize(raw) / 1e6

        def cat():
            subprocess.run(["/usr/bin/cat", raw], stdout=subprocess.DEVNULL, check=True)

        def numpy_load():
            volume = np.fromfile(raw, dtype="<u2").reshape(SHAPE)
            np.ascontiguousarray(volume[:, ::-1, :])

        cat()   # into the page cache
        cat_mb = size_mb / best_seconds(cat)
        numpy_mb = size_mb / best_seconds(numpy_load)

    plain = ours["BM_PlainReadOfRawFile/real_time"]
    raw_mb = ours["BM_LoadRaw/1/real_time"]
    kxd_mb = ours["BM_LoadKxd/1/real_time"]
    print(f"cat of the raw file:           {cat_mb:9.1f} MB/s")
    print(f"numpy fromfile + row flip:     {numpy_mb:9.1f} MB/s")
    print(f"plain read (bench_volume):     {plain:9.1f} MB/s")
    print(f"Velmor raw:                    {raw_mb:9.1f} MB/s  ratio to plain read {raw_mb / plain:.2f} (target 0.8),"
          f" to cat {raw_mb / cat_mb:.2f}, to numpy {raw_mb / numpy_mb:.2f}")
    print(f"Velmor kxd (file bytes):       {kxd_mb:9.1f} MB/s  ratio to numpy {kxd_mb / numpy_mb:.2f} (target 1500 MB/s)")
    fresh = ours["BM_PlainReadIntoFreshMemory/real_time"]
    whole = ours["BM_AcquireRaw/real_time"]
    print(f"plain read into fresh memory:  {fresh:9.1f} MB/s")
    print(f"Velmor whole raw load:         {whole:9.1f} MB/s  ratio to the fresh read {whole / fresh:.2f},"
          f" to numpy {whole / numpy_mb:.2f} (fresh payload, histogram included)")
    print(f"Velmor whole kxd load:         {ours['BM_AcquireKxd/real_time']:9.1f} MB/s of file bytes")
    print(f"Velmor raw, half:              {ours['BM_LoadRaw/2/real_time']:9.1f} MB/s of file bytes")
    print(f"Velmor kxd, half:              {ours['BM_LoadKxd/2/real_time']:9.1f} MB/s of file bytes")


if __name__ == "__main__":
    main()
