#!/usr/bin/env bash
# Iso-surface extraction of the same 16-bit gyroid: vtkFlyingEdges3D against
# ours, single-threaded and on all cores, in one run.
# Usage: bench/peers/surface_vs_vtk.sh [build-dir] [edge length, default 256]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
n=${2:-256}
tool=$build/bench/bench_surface_file
[ -x "$tool" ] || { echo "build first: $tool missing" >&2; exit 2; }
python=/usr/bin/python3
"$python" -c 'import vtk, numpy' 2>/dev/null || { echo "needs python3-vtk9 and numpy" >&2; exit 2; }
work=$(mktemp -d /dev/shm/velmor-iso.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
cores=$(nproc)

# The same gyroid as the benchmark: samples above 32767.5 are inside.
"$python" - "$work/volume.u16" "$n" <<'PY'
import sys, numpy as np
path, n = sys.argv[1], int(sys.argv[2])
f = 8 * np.pi / n
j, i = np.meshgrid(np.arange(n) * f, np.arange(n) * f, indexing="ij")
with open(path, "wb") as out:
    for k in np.arange(n) * f:   # slice by slice, to keep the memory small
        g = np.sin(i) * np.cos(j) + np.sin(j) * np.cos(k) + np.sin(k) * np.cos(i)
        (32768 + 20000 * g).astype(np.uint16).tofile(out)
PY

field() { local v=${1#*$2=}; echo "${v%% *}"; }
best_of() {   # best_of threads: the run of ours with the fastest extraction of three
  local best="" out
  for _ in 1 2 3; do
    out=$("$tool" "$work/volume.u16" "$n" 32768 65535 "$1")
    if [ -z "$best" ] || [ "$(echo "$(field "$out" extract_s) < $(field "$best" extract_s)" | bc -l)" = 1 ]; then
      best=$out
    fi
  done
  echo "$best"
}
ours1=$(best_of 1)
oursN=$(best_of "$cores")

vtk_out=$("$python" - "$work/volume.u16" "$n" "$cores" <<'PY'
import sys, time, numpy as np, vtk
from vtk.util import numpy_support
path, n, cores = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
image = vtk.vtkImageData()
image.SetDimensions(n, n, n)
image.GetPointData().SetScalars(numpy_support.numpy_to_vtk(np.fromfile(path, dtype=np.uint16), deep=True,
                                                          array_type=vtk.VTK_UNSIGNED_SHORT))
def run(backend, threads):
    vtk.vtkSMPTools.SetBackend(backend)
    vtk.vtkSMPTools.Initialize(threads)
    best = None
    for _ in range(3):
        fe = vtk.vtkFlyingEdges3D()
        fe.SetInputData(image)
        fe.SetValue(0, 32767.5)
        fe.ComputeNormalsOff(); fe.ComputeGradientsOff(); fe.ComputeScalarsOff()
        start = time.perf_counter(); fe.Update(); t = time.perf_counter() - start
        best = t if best is None else min(best, t)
    out = fe.GetOutput()
    return out.GetNumberOfPoints(), out.GetNumberOfCells(), best
p1, c1, t1 = run("Sequential", 1)
pn, cn, tn = run("STDThread", cores)
print(p1, c1, t1, tn)
PY
)
read -r vtk_points vtk_cells vtk1 vtkN <<<"$vtk_out"

echo "volume ${n}^3 16-bit gyroid, $cores cores"
echo "vtkFlyingEdges3D: $vtk_points vertices, $vtk_cells triangles (open where the gyroid meets the volume faces)"
echo "ours (closed):    $(field "$ours1" vertices) vertices, $(field "$ours1" triangles) triangles (same mesh and normals on $cores threads: $([ "$(field "$ours1" hash)" = "$(field "$oursN" hash)" ] && echo yes || echo NO))"
printf '1 thread:   vtkFlyingEdges3D %7.3f s, ours %7.3f s (+ normals %.3f s): ours is %.2fx its speed\n' \
  "$vtk1" "$(field "$ours1" extract_s)" "$(field "$ours1" normals_s)" "$(echo "$vtk1 / $(field "$ours1" extract_s)" | bc -l)"
printf '%d threads: vtkFlyingEdges3D %7.3f s, ours %7.3f s (+ normals %.3f s): ours is %.2fx its speed\n' "$cores" \
  "$vtkN" "$(field "$oursN" extract_s)" "$(field "$oursN" normals_s)" "$(echo "$vtkN / $(field "$oursN" extract_s)" | bc -l)"
