#!/usr/bin/python3
"""Reads an exported STL and OBJ with VTK's readers and compares every
triangle's corners with the expected ones.

usage: mesh_peer_check.py file.stl file.obj expected_corners.f32 triangles
Exit 0 when both match, 1 on a mismatch, 77 when VTK is missing."""
import sys

try:
    import numpy as np
    from vtkmodules.vtkIOGeometry import vtkSTLReader, vtkOBJReader
    from vtkmodules.util.numpy_support import vtk_to_numpy
except ImportError as error:
    print("VTK or numpy missing:", error)
    sys.exit(77)


def corners(reader, path):
    reader.SetFileName(path)
    reader.Update()
    data = reader.GetOutput()
    points = vtk_to_numpy(data.GetPoints().GetData()).astype(np.float32)
    polys = vtk_to_numpy(data.GetPolys().GetConnectivityArray())
    offsets = vtk_to_numpy(data.GetPolys().GetOffsetsArray())
    if not np.all(np.diff(offsets) == 3):
        raise SystemExit(f"{path}: a cell that is not a triangle")
    return points[polys].reshape(-1, 3, 3)


def main():
    stl, obj, expected_path, count = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    expected = np.fromfile(expected_path, dtype=np.float32).reshape(-1, 3, 3)
    if len(expected) != count:
        raise SystemExit("bad expectation file")
    failed = False
    for name, reader, path in (("vtkSTLReader", vtkSTLReader(), stl), ("vtkOBJReader", vtkOBJReader(), obj)):
        got = corners(reader, path)
        if got.shape != expected.shape:
            print(f"{name}: {got.shape[0]} triangles, expected {expected.shape[0]}")
            failed = True
            continue
        worst = float(np.max(np.abs(got - expected))) if count else 0.0
        print(f"{name}: {count} triangles, largest corner difference {worst:g}")
        if worst > 1e-5 * max(1.0, float(np.max(np.abs(expected)))):
            failed = True
    sys.exit(1 if failed else 0)


main()
