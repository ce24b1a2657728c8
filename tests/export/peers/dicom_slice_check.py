#!/usr/bin/python3
"""pydicom's reading of an exported DICOM slice series: one line per file,
sorted by file name, with the values the export sets per slice and per
series, then the pixels as signed or unsigned numbers.

usage: dicom_slice_check.py FOLDER
       dicom_slice_check.py --uids FOLDER...   (one series a folder: the count of its UIDs and
         the longest; exit 1 when one is invalid, on two slices or folders, or a folder holds two series)
Exit 77 when pydicom is missing."""
import os
import sys

try:
    import pydicom
    from pydicom.uid import UID
except ImportError as error:
    print("pydicom missing:", error)
    sys.exit(77)


def uids(folders):
    seen = set()
    for folder in folders:
        sets = [pydicom.dcmread(os.path.join(folder, n)) for n in os.listdir(folder) if n.endswith(".dcm")]
        series = {(d.StudyInstanceUID, d.SeriesInstanceUID, d.FrameOfReferenceUID) for d in sets}
        found = [d.SOPInstanceUID for d in sets if d.file_meta.MediaStorageSOPInstanceUID == d.SOPInstanceUID]
        found += [uid for three in series for uid in three]
        shared = len(seen | set(found)) != len(seen) + len(found)
        if len(series) != 1 or len(found) != len(sets) + 3 or shared or not all(UID(u).is_valid for u in found):
            sys.exit(f"{folder}: shared, unmatched or invalid UIDs {found}")
        seen |= set(found)
    print(f"{len(seen)} UIDs, the longest {max(map(len, seen))}")


def main():
    if sys.argv[1] == "--uids":
        return uids(sys.argv[2:])
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
