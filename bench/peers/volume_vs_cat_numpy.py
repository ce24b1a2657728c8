#!/usr/bin/python3
"""Loading a 512 x 512 x 500 16-bit volume, in one run with interleaved rounds:
bench_volume's whole loads through a data object (fresh payload, histogram)
of the raw and the run-length (kxd) file, at one thread and at all cores,
against what a C program does (fread into fresh memory from malloc) and
numpy's fromfile plus a row flip per slice, all on the same files in the page
cache; halved and quartered loads against whole ones; mirroring 150 MB along
x against y and z. Times are medians over every repetition of every round;
ratios are the peer's time over ours (above 1: we are faster).

Usage: bench/peers/volume_vs_cat_numpy.py [build-dir] [rounds]
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SHAPE = (500, 512, 512)
REPEATS = 3


def timed(action):
    start = time.perf_counter()
    action()
    return (time.perf_counter() - start) * 1e3


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    tool = os.path.join(build, "bench", "bench_volume")
    if not os.access(tool, os.X_OK):
        sys.exit(f"build first: {tool} missing")
    cores = os.cpu_count()
    times = {}
    with tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else None) as work:
        raw = os.path.join(work, "v.raw")

        def cat():
            subprocess.run(["/usr/bin/cat", raw], stdout=subprocess.DEVNULL, check=True)

        def numpy_load():
            volume = np.fromfile(raw, dtype="<u2").reshape(SHAPE)
            np.ascontiguousarray(volume[:, ::-1, :])

        for _ in range(rounds):
            out = os.path.join(work, "ours.json")
            subprocess.run([tool, f"--benchmark_repetitions={REPEATS}", "--benchmark_enable_random_interleaving=true",
                            f"--benchmark_out={out}", "--benchmark_out_format=json"],
                           env=dict(os.environ, VELMOR_BENCH_DIR=work), check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            with open(out) as f:
                for b in json.load(f)["benchmarks"]:
                    if b.get("run_type") == "iteration":
                        times.setdefault(b["name"].replace("/real_time", ""), []).append(b["real_time"])
            for _ in range(REPEATS):
                times.setdefault("cat", []).append(timed(cat))
                times.setdefault("numpy", []).append(timed(numpy_load))

    ms = {name: statistics.median(values) for name, values in times.items()}
    fread_raw, fread_kxd, numpy_ms = ms["BM_FreadRawIntoFreshMemory"], ms["BM_FreadKxdIntoFreshMemory"], ms["numpy"]
    print(f"cat of the raw file:                    {ms['cat']:8.1f} ms")
    print(f"numpy fromfile + row flip:              {numpy_ms:8.1f} ms")
    print(f"fread into fresh memory, raw file:      {fread_raw:8.1f} ms")
    print(f"fread into fresh memory, kxd file:      {fread_kxd:8.1f} ms")
    print(f"plain read into committed memory:       {ms['BM_PlainReadOfRawFile']:8.1f} ms (our floor, reused pages)")
    for threads in (1, cores):
        raw_ms = ms[f"BM_AcquireRaw/threads:{threads}/step:1"]
        kxd_ms = ms[f"BM_AcquireKxd/threads:{threads}/step:1"]
        print(f"whole raw load, {threads} thread(s):         {raw_ms:8.1f} ms  ratio fread/ours {fread_raw / raw_ms:.2f}"
              f" (at least 0.9 is the target), numpy/ours {numpy_ms / raw_ms:.2f}")
        print(f"whole kxd load, {threads} thread(s):         {kxd_ms:8.1f} ms  ratio fread of the same volume's raw file/ours"
              f" {fread_raw / kxd_ms:.2f} (at least 0.9 is the target), fread of the kxd file/ours {fread_kxd / kxd_ms:.2f}")
    for kind in ("Raw", "Kxd"):
        for threads in (1, cores):
            whole = ms[f"BM_Acquire{kind}/threads:{threads}/step:1"]
            half = ms[f"BM_Acquire{kind}/threads:{threads}/step:2"]
            quarter = ms[f"BM_Acquire{kind}/threads:{threads}/step:4"]
            print(f"{kind.lower()} at {threads} thread(s): whole {whole:7.1f} ms, halved {half:7.1f} ms ({whole / half:.1f}x faster),"
                  f" quartered {quarter:7.1f} ms ({whole / quarter:.1f}x faster)")
    x, y, z = (ms[f"BM_Mirror/axis:{axis}"] for axis in range(3))
    print(f"mirroring 150 MB: x {x:.1f} ms, y {y:.1f} ms, z {z:.1f} ms; x/y {x / y:.2f}, x/z {x / z:.2f} (within 2 is the target)")


if __name__ == "__main__":
    main()
