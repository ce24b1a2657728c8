#!/usr/bin/python3
"""pydicom's side of the DICOM peer tests.

make-ct OUT          writes a CT slice (explicit VR little endian, nested
                     sequence, private element, signed 64 x 48 pixels)
dump FILE...         one line per file: what pydicom reads of it
values FILE          every top-level element: tag, VR and raw value in hex
"""
import sys

import numpy as np
import pydicom
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.filereader import data_element_generator
from pydicom.sequence import Sequence
from pydicom.uid import ExplicitVRLittleEndian


def fnv1a(data):
    h = 0xCBF29CE484222325
    mv = memoryview(bytes(data))
    for b in mv:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def make_ct(path):
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.2"
    meta.MediaStorageSOPInstanceUID = "1.2.826.0.1.3680043.8.498.1"
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    meta.ImplementationClassUID = "1.2.826.0.1.3680043.8.498.2"
    ds = Dataset()
    ds.file_meta = meta
    ds.SOPClassUID = meta.MediaStorageSOPClassUID
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    ds.Modality = "CT"
    ds.PatientName = "Peer^Test"
    code = Dataset()
    code.CodeValue = "T-D1100"
    code.CodingSchemeDesignator = "SRT"
    code.CodeMeaning = "Head"
    modifier = Dataset()
    modifier.CodeValue = "G-A101"
    modifier.CodingSchemeDesignator = "SRT"
    code.ModifierCodeSequence = Sequence([modifier])
    ds.AnatomicRegionSequence = Sequence([code])
    block = ds.private_block(0x0009, "VELMOR PEER", create=True)
    block.add_new(0x01, "LO", "private value")
    block.add_new(0x02, "US", 4321)
    ds.SeriesNumber = 4
    ds.InstanceNumber = 17
    ds.SamplesPerPixel = 1
    ds.PhotometricInterpretation = "MONOCHROME2"
    ds.Rows = 48
    ds.Columns = 64
    ds.BitsAllocated = 16
    ds.BitsStored = 16
    ds.HighBit = 15
    ds.PixelRepresentation = 1
    ds.RescaleIntercept = "-1024"
    ds.RescaleSlope = "1"
    pixels = (np.arange(48 * 64, dtype=np.int32).reshape(48, 64) * 37 - 30000).astype(np.int16)
    ds.PixelData = pixels.tobytes()
    ds.is_little_endian = True
    ds.is_implicit_VR = False
    ds.save_as(path, write_like_original=False)


def raw_text(ds, tag):
    elem = ds.get_item(tag)
    if elem is None:
        return "<absent>"
    value = elem.value
    if value is None:
        return ""
    if isinstance(value, (bytes, bytearray)):
        value = bytes(value).split(b"\0")[0].decode("latin-1")
    return str(value).rstrip(" ")


def dump(path):
    try:
        ds = pydicom.dcmread(path, force=True)
        ds.get_item(0x7FE00010)
    except Exception as error:  # noqa: BLE001 - any failure means "did not read"
        print(f"{path}\tfail\t{type(error).__name__}")
        return
    syntax = ds.file_meta.get("TransferSyntaxUID", "") if hasattr(ds, "file_meta") else ""
    big = not ds.is_little_endian if ds.is_little_endian is not None else False
    try:
        pixrep = int(ds.PixelRepresentation) if "PixelRepresentation" in ds else -99
    except Exception:  # noqa: BLE001
        pixrep = -98
    pixels = ds.get_item(0x7FE00010)
    pixel_len, pixel_hash, undefined = -1, 0, 0
    if pixels is not None and pixels.value is not None:
        data = bytes(pixels.value)
        undefined = 1 if pixels.length == 0xFFFFFFFF else 0
        vr = pixels.VR
        if big and vr == "OW":
            data = np.frombuffer(data[: len(data) // 2 * 2], dtype=">u2").astype("<u2").tobytes() + data[len(data) // 2 * 2:]
        pixel_len = len(data)
        pixel_hash = fnv1a(data) if len(data) <= 4 << 20 else 0
    print("\t".join(str(x) for x in [path, "ok", syntax or "-", raw_text(ds, 0x00200013), raw_text(ds, 0x00200011),
                                       pixrep, pixel_len, pixel_hash, undefined]))


def values(path):
    ds = pydicom.dcmread(path)
    raw = {}
    with open(path, "rb") as f:
        f.seek(132)
        meta = data_element_generator(f, False, True, stop_when=lambda tag, vr, length: tag.group != 2)
        for elem in meta:
            raw[int(elem.tag)] = elem.value
    for tag in ds.keys():
        elem = ds.get_item(tag)
        if elem.value in (None, "", b"") or isinstance(elem.value, (bytes, bytearray)):
            raw[int(tag)] = elem.value or b""
    # Every value must also convert to its VR's Python form.
    for elem in list(ds.file_meta) + [ds[tag] for tag in ds.keys()]:
        shown = bytes(raw[int(elem.tag)]).hex() if int(elem.tag) in raw else "converted"
        print(f"{int(elem.tag):08X}\t{elem.VR}\t{shown}\t{elem.value!r}"[:4000])


def main():
    command = sys.argv[1]
    if command == "make-ct":
        make_ct(sys.argv[2])
    elif command == "dump":
        for path in sys.argv[2:]:
            dump(path)
    elif command == "values":
        values(sys.argv[2])
    else:
        sys.exit(2)


if __name__ == "__main__":
    main()
