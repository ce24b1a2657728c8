#!/usr/bin/python3
"""pydicom's reading of an exported DICOM slice series: one line per file,
sorted by file name, with the values the export sets per slice and per
series, then the pixels as signed or unsigned numbers.

usage: dicom_slice_check.py FOLDER
Exit 77 when pydicom is missing."""
import os
import sys

try:
    import pydicom
except ImportError as error:
    print("pydicom missing:", error)
    sys.exit(77)


def main():
    folder = sys.argv[1]
    for name in sorted(n for n in os.listdir(folder) if n.endswith(".dcm")):
        ds = pydicom.dcmread(os.path.join(folder, name))
        pixels = ds.pixel_array.flatten().tolist()
        position = "\\".join(f"{float(v):g}" for v in ds.ImagePositionPatient)
        spacing = "\\".join(f"{float(v):g}" for v in ds.PixelSpacing)
        same = ds.file_meta.MediaStorageSOPInstanceUID == ds.SOPInstanceUID
        print(f"{name} instance={int(ds.InstanceNumber)} position={position} rows={ds.Rows} "
              f"columns={ds.Columns} representation={ds.PixelRepresentation} "
              f"thickness={float(ds.SliceThickness):g} spacing={spacing} modality={ds.Modality} "
              f"syntax={ds.file_meta.TransferSyntaxUID} sop_uid_matches={same} "
              f"pixels={' '.join(str(p) for p in pixels)}")


main()
