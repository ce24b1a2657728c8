#!/usr/bin/env bash
# Iso-surfaces of two 16-bit volumes, a gyroid (the surface crosses every
# slab) and a CT-like torso (a sparse bone surface): vtkFlyingEdges3D against
# ours, on one thread and on all cores, with and without normals. Runs of
# ours and of the peer alternate; the ratios are of the median times.
# Usage: bench/peers/surface_vs_vtk.sh [build-dir] [edge length, default 256] [rounds, default 7]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
n=${2:-256}
rounds=${3:-7}
tool=$build/bench/bench_surface_file
[ -x "$tool" ] || { echo "build first: $tool missing" >&2; exit 2; }
python=/usr/bin/python3
"$python" -c 'import vtk, numpy' 2>/dev/null || { echo "needs python3-vtk9 and numpy" >&2; exit 2; }
work=$(mktemp -d /dev/shm/velmor-iso.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" --write gyroid "$n" "$work/gyroid.u16"
"$tool" --write ct "$n" "$work/ct.u16"

"$python" - "$tool" "$work" "$n" "$(nproc)" "$rounds" <<'PY'
import statistics, subprocess, sys, time
import numpy as np, vtk
from vtk.util import numpy_support

tool, work, n, cores, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
# name, file, window: the peer's iso value is the lower window bound less 0.5.
volumes = [("gyroid", "gyroid.u16", 32768, 65535), ("CT-like bone", "ct.u16", 1300, 65535)]

def ours(path, low, up, threads):
    out = subprocess.run([tool, path, str(n), str(low), str(up), str(threads)], check=True,
                         capture_output=True, text=True).stdout
    return dict(f.split("=") for f in out.split())

def peer(image, iso, threads, normals):
    vtk.vtkSMPTools.SetBackend("Sequential" if threads == 1 else "STDThread")
    vtk.vtkSMPTools.Initialize(threads)
    fe = vtk.vtkFlyingEdges3D()
    fe.SetInputData(image)
    fe.SetValue(0, iso)
    fe.SetComputeNormals(normals); fe.ComputeGradientsOff(); fe.ComputeScalarsOff()
    start = time.perf_counter(); fe.Update(); t = time.perf_counter() - start
    return t, fe.GetOutput()

print(f"volumes {n}^3 16-bit, {cores} cores, medians of {rounds} alternating runs; ratio = peer time / ours, > 1: ours faster")
for name, file, low, up in volumes:
    path = f"{work}/{file}"
    image = vtk.vtkImageData()
    image.SetDimensions(n, n, n)
    image.GetPointData().SetScalars(numpy_support.numpy_to_vtk(np.fromfile(path, dtype=np.uint16), deep=True,
                                                              array_type=vtk.VTK_UNSIGNED_SHORT))
    times = {}
    hashes = set()
    for _ in range(rounds):
        for threads in (1, cores):
            o = ours(path, low, up, threads)
            hashes.add(o["hash"])
            times.setdefault(("ours", threads, False), []).append(float(o["extract_s"]))
            times.setdefault(("ours", threads, True), []).append(float(o["with_normals_s"]))
            for normals in (False, True):
                t, out = peer(image, low - 0.5, threads, normals)
                times.setdefault(("peer", threads, normals), []).append(t)
    med = {k: statistics.median(v) for k, v in times.items()}
    print(f"{name}: vtkFlyingEdges3D {out.GetNumberOfPoints()} vertices, {out.GetNumberOfCells()} triangles (open at the volume faces); "
          f"ours {o['vertices']} vertices, {o['triangles']} triangles (closed); "
          f"same mesh and normals on 1 and {cores} threads: {'yes' if len(hashes) == 1 else 'NO'}")
    for threads in (1, cores):
        for normals in (False, True):
            p, q = med[("peer", threads, normals)], med[("ours", threads, normals)]
            what = "with normals   " if normals else "without normals"
            print(f"  {threads} thread{'s' if threads > 1 else ' '} {what}: vtkFlyingEdges3D {p:.4f} s, ours {q:.4f} s: "
                  f"ours is {p / q:.2f}x its speed")
        # Our normals against the peer without its own: the strictest reading.
        p, q = med[("peer", threads, False)], med[("ours", threads, True)]
        print(f"  {threads} thread{'s' if threads > 1 else ' '} ours with normals against the peer without: {p / q:.2f}x")
PY
