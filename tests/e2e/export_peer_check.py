#!/usr/bin/python3
"""Reads what the program exported with outside readers.

usage: export_peer_check.py mesh file.stl file.obj   (VTK's STL and OBJ readers)
       export_peer_check.py dicom folder              (pydicom and dciodvfy over the series)
Prints what it read; exit 1 when a file cannot be read or is inconsistent."""
import glob
import os
import subprocess
import sys


def mesh(stl, obj):
    from vtkmodules.vtkIOGeometry import vtkOBJReader, vtkSTLReader
    counts = []
    stl_reader = vtkSTLReader()
    stl_reader.MergingOff()   # keep every facet as written
    for reader, path in ((stl_reader, stl), (vtkOBJReader(), obj)):
        reader.SetFileName(path)
        reader.Update()
        counts.append(reader.GetOutput().GetNumberOfPolys())
    print(f"triangles: stl {counts[0]} obj {counts[1]}")
    if counts[0] == 0 or counts[0] != counts[1]:
        sys.exit(1)
    mtl = os.path.splitext(obj)[0] + ".mtl"
    with open(obj) as f:
        if f"mtllib {os.path.basename(mtl)}" not in f.read():
            sys.exit("the OBJ file does not name its material file")


def dicom(folder):
    import pydicom
    files = sorted(glob.glob(os.path.join(folder, "*.dcm")))
    sets = [pydicom.dcmread(f) for f in files]
    first = sets[0]
    for d in sets:
        if (d.Rows, d.Columns) != (first.Rows, first.Columns) or d.pixel_array.shape != (d.Rows, d.Columns):
            sys.exit(f"{d.filename}: size differs")
    spacing = " ".join(f"{float(v):g}" for v in first.PixelSpacing)
    print(f"{len(sets)} slices {first.Rows} x {first.Columns} spacing {spacing} thickness {float(first.SliceThickness):g}")
    print("positions " + " ".join("\\".join(f"{float(v):g}" for v in d.ImagePositionPatient) for d in sets))
    print(f"rescale {float(first.RescaleSlope):g} {float(first.RescaleIntercept):g} "
          f"writer {first.file_meta.ImplementationClassUID.split('.')[1]}")
    # DICOM's own verifier of the CT Image IOD: no file may have an error.
    for f in files:
        verdict = subprocess.run(["dciodvfy", f], capture_output=True, text=True)
        errors = [line for line in (verdict.stdout + verdict.stderr).splitlines() if line.startswith("Error")]
        if errors:
            sys.exit(f"{f}: " + "; ".join(errors))


if __name__ == "__main__":
    {"mesh": lambda: mesh(sys.argv[2], sys.argv[3]), "dicom": lambda: dicom(sys.argv[2])}[sys.argv[1]]()
