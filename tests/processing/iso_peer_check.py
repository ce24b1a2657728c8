#!/usr/bin/python3
"""Compares a surface written by the iso-surface test with VTK and
scikit-image on the same volume.

Usage: iso_peer_check.py folder nx ny nz iso tolerance   (relative, area and volume)
The folder holds volume.u16 (x fastest), vertices.f32, indices.u32 and
normals.f32. Exit 0 when every check passes, 77 when a peer module is
missing, 1 otherwise.
"""
import sys

try:
    import numpy as np
    import vtk
    from vtk.util import numpy_support
    from scipy.spatial import cKDTree
    from skimage import measure
except ImportError as missing:
    print(f"skipped: {missing}")
    sys.exit(77)

folder, nx, ny, nz, iso, area_tol = sys.argv[1], *map(int, sys.argv[2:5]), float(sys.argv[5]), float(sys.argv[6])
volume = np.fromfile(f"{folder}/volume.u16", dtype=np.uint16).reshape(nz, ny, nx)
vertices = np.fromfile(f"{folder}/vertices.f32", dtype=np.float32).reshape(-1, 3)
indices = np.fromfile(f"{folder}/indices.u32", dtype=np.uint32).reshape(-1, 3)
normals = np.fromfile(f"{folder}/normals.f32", dtype=np.float32).reshape(-1, 3)
origin = np.array([0.5 - nx / 2, 0.5 - ny / 2, 0.5 - nz / 2])
failures = []


def area_and_volume(v, t):
    v = v.astype(np.float64)
    a, b, c = v[t[:, 0]], v[t[:, 1]], v[t[:, 2]]
    cross = np.cross(b - a, c - a)
    return 0.5 * np.linalg.norm(cross, axis=1).sum(), abs(np.einsum("ij,ij->i", a, np.cross(b, c)).sum() / 6)


def compare(name, v, t):
    if len(v) != len(vertices) or len(t) != len(indices):
        failures.append(f"{name}: {len(v)} vertices, {len(t)} triangles; ours {len(vertices)}, {len(indices)}")
        return
    dist, _ = cKDTree(v).query(vertices)
    back, _ = cKDTree(vertices).query(v)
    if max(dist.max(), back.max()) > 1e-5:
        failures.append(f"{name}: vertex sets differ by up to {max(dist.max(), back.max())}")
    ours, theirs = area_and_volume(vertices, indices), area_and_volume(v, t)
    for what, a, b, tol in (("area", ours[0], theirs[0], area_tol), ("volume", ours[1], theirs[1], area_tol)):
        if abs(a - b) > tol * abs(b):
            failures.append(f"{name}: {what} {a} against {b}")
    print(f"{name}: {len(v)} vertices, {len(t)} triangles, area {theirs[0]:.6f} (ours {ours[0]:.6f}), "
          f"volume {theirs[1]:.6f} (ours {ours[1]:.6f})")


def vtk_surface(algorithm):
    image = vtk.vtkImageData()
    image.SetDimensions(nx, ny, nz)
    image.SetOrigin(*origin)
    image.SetSpacing(1, 1, 1)
    image.GetPointData().SetScalars(numpy_support.numpy_to_vtk(volume.ravel(), deep=True, array_type=vtk.VTK_UNSIGNED_SHORT))
    algorithm.SetInputData(image)
    algorithm.SetValue(0, iso)
    algorithm.ComputeNormalsOff()
    algorithm.ComputeGradientsOff()
    algorithm.ComputeScalarsOff()
    algorithm.Update()
    out = algorithm.GetOutput()
    v = numpy_support.vtk_to_numpy(out.GetPoints().GetData()).astype(np.float64)
    cells = numpy_support.vtk_to_numpy(out.GetPolys().GetConnectivityArray()).reshape(-1, 3)
    return v, cells


compare("vtkMarchingCubes", *vtk_surface(vtk.vtkMarchingCubes()))
compare("vtkFlyingEdges3D", *vtk_surface(vtk.vtkFlyingEdges3D()))
sk_v, sk_t, _, _ = measure.marching_cubes(volume.astype(np.float64), level=iso)
compare("skimage marching_cubes", sk_v[:, ::-1] + origin, sk_t)

# Normals: the sum of the unnormalised single-precision face vectors.
p = vertices
a, b, c = p[indices[:, 0]], p[indices[:, 1]], p[indices[:, 2]]
face = np.cross(b - a, c - a).astype(np.float32)
reference = np.zeros_like(p)
for k in range(3):
    np.add.at(reference, indices[:, k], face)
scale = np.abs(reference).max()
if np.abs(reference - normals).max() > 1e-5 * scale:
    failures.append(f"normals differ by up to {np.abs(reference - normals).max()} (scale {scale})")

for f in failures:
    print("FAIL", f)
sys.exit(1 if failures else 0)
