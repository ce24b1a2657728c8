"""Writes a one-frame grey 16-bit DICOM file with pydicom and checks it back.

Usage: make_dicom_slice.py OUT.dcm VALUES.raw WIDTH HEIGHT SIGNED

VALUES.raw holds WIDTH x HEIGHT little-endian unsigned 16-bit values, top
row first. With SIGNED 1 the file stores each value minus 32768 as a signed
pixel (Pixel Representation 1), so that a reader adding 32768 gets VALUES
back; with 0 it stores the values as they are. Exits 1 when pydicom does
not read back the pixels it was given.
"""
import sys

import numpy as np
import pydicom
from pydicom.dataset import FileDataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, generate_uid


def explicit_little_dataset(out, sop_class):
    """An empty data set of the given class in explicit VR little endian, with its file meta."""
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = sop_class
    meta.MediaStorageSOPInstanceUID = generate_uid()
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds = FileDataset(out, {}, file_meta=meta, preamble=b"\0" * 128)
    ds.is_little_endian = True
    ds.is_implicit_VR = False
    ds.SOPClassUID = meta.MediaStorageSOPClassUID
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    return ds


def main():
    out, raw, width, height, signed = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5] == "1"
    values = np.fromfile(raw, dtype="<u2").reshape(height, width)
    pixels = (values.astype(np.int32) - 32768).astype("<i2") if signed else values

    ds = explicit_little_dataset(out, "1.2.840.10008.5.1.4.1.1.2")
    ds.Modality = "CT"
    ds.Rows, ds.Columns = height, width
    ds.SamplesPerPixel = 1
    ds.PhotometricInterpretation = "MONOCHROME2"
    ds.BitsAllocated, ds.BitsStored, ds.HighBit = 16, 16, 15
    ds.PixelRepresentation = 1 if signed else 0
    ds.PixelData = pixels.tobytes()
    ds.save_as(out, write_like_original=False)

    back = pydicom.dcmread(out).pixel_array
    return 0 if np.array_equal(back, pixels) else 1


if __name__ == "__main__":
    sys.exit(main())
