"""Writes a corpus of slice pictures, sound and damaged, and what each must load as.

Usage: make_slice_corpus.py OUTDIR

Files come from Pillow, pydicom and small writers here (for the damage no
library would write). OUTDIR/corpus.txt gets one line a file:

    NAME KEYWORD FORMAT WIDTH HEIGHT EXPECTED

EXPECTED is "refused", or the name of a file holding the samples the loader
must store with reverseY on (top row first, channels red, green, blue,
alpha, 2-byte values little-endian). Where Pillow decodes a sound file, its
pixels are the expected ones, so the writers here are checked too.
"""
import io
import os
import struct
import sys
import zlib

import numpy as np
import pydicom
import tifffile
from PIL import Image

from make_dicom_slice import explicit_little_dataset

OUT = sys.argv[1]
LINES = []

PALETTE = [(0, 0, 0), (250, 10, 20), (30, 240, 40), (50, 60, 230), (128, 128, 128), (255, 255, 0), (1, 2, 3)]


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def expect(name, keyword, fmt, width, height, samples=None):
    """samples: an array (height, width[, channels]) of what the slice holds."""
    if samples is None:
        LINES.append(f"{name} {keyword} {fmt} {width} {height} refused")
        return
    dtype = "<u2" if fmt.endswith("16") else "u1"
    expected = f"{name}.{keyword}.{fmt}.expected"
    write(expected, np.asarray(samples).astype(dtype).tobytes())
    LINES.append(f"{name} {keyword} {fmt} {width} {height} {expected}")


def add(name, data, *expectation, **samples):
    write(name, data)
    expect(name, *expectation, **samples)


def palette_rgb(indices):
    return np.array([PALETTE[i] for i in indices.flat], dtype=np.uint8).reshape(indices.shape + (3,))


def pillow_agrees(name, mode, samples):
    """Pillow's decoding of a sound file must be what we expect the loader to store."""
    with Image.open(os.path.join(OUT, name)) as im:
        got = np.asarray(im.convert(mode) if mode else im)
    assert np.array_equal(got, samples), f"{name}: Pillow reads {got.tolist()}, expected {samples.tolist()}"


# ---- BMP ------------------------------------------------------------------

def bmp(width, height, bits, pixels, palette=(), colours=None, compression=0, offset=None):
    """A bitmap with a 40-byte header; offset overrides the pixel offset."""
    table = b"".join(struct.pack("<BBBx", b, g, r) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels), 2835, 2835,
                       len(palette) if colours is None else colours, 0)
    start = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", start + len(pixels), 0, 0, start if offset is None else offset)
    return head + info + table + pixels


def rows8(indices):
    """Bottom-up 8-bit rows padded to four bytes."""
    height, width = indices.shape
    pad = b"\0" * (-width % 4)
    return b"".join(bytes(indices[y].tolist()) + pad for y in range(height - 1, -1, -1))


INDICES = np.array([[0, 1, 2, 3, 4], [5, 6, 1, 2, 3], [4, 3, 2, 1, 0]], dtype=np.uint8)


def bmp_corpus():
    im = Image.fromarray(INDICES, "P")
    im.putpalette([c for rgb in PALETTE for c in rgb])
    buffer = io.BytesIO()
    im.save(buffer, "BMP")
    add("pal8.bmp", buffer.getvalue(), "bmp", "GRAY", 5, 3, INDICES)
    expect("pal8.bmp", "bmp", "RGB", 5, 3, palette_rgb(INDICES))

    # The pixel offset points into the palette the header declares.
    add("offset_in_palette.bmp", bmp(5, 3, 8, rows8(INDICES), PALETTE, offset=54 + 8), "bmp", "GRAY", 5, 3)
    # No count given and the pixels start where the palette would: no colour at all.
    add("offset_at_palette.bmp", bmp(5, 3, 8, rows8(INDICES), PALETTE, colours=0, offset=54), "bmp", "RGB", 5, 3)
    # Pixels inside the header.
    add("offset_in_header.bmp", bmp(2, 1, 24, b"\1\2\3\4\5\6\0\0", offset=30), "bmp", "RGB", 2, 1)
    # No count given: the palette ends where the pixels start, and its seven entries are all it has.
    add("short_palette.bmp", bmp(5, 3, 8, rows8(INDICES), PALETTE, colours=0), "bmp", "RGB", 5, 3, palette_rgb(INDICES))
    past = INDICES.copy()
    past[1, 1] = 9
    add("index_past_palette.bmp", bmp(5, 3, 8, rows8(past), PALETTE), "bmp", "GRAY", 5, 3)
    four = bmp(5, 1, 4, bytes([0x12, 0x3F, 0x40, 0]), PALETTE[:4], compression=0)
    write("index_past_palette4.bmp", four)   # index 15 in a 4-entry palette
    expect("index_past_palette4.bmp", "bmp", "RGB", 5, 1)

    # Run-length: bottom row a run and an absolute run; middle row moved over
    # by a delta (its skipped pixels keep entry 0); top row one run.
    stream = bytes([2, 3, 0, 3, 1, 2, 4, 0, 0, 0,   # bottom: 3 3, absolute 1 2 4 (padded), end of line
                    0, 2, 2, 0,                      # delta two columns right
                    3, 5, 0, 0,                      # 5 5 5, end of line
                    5, 6, 0, 1])                     # top: 6 x5, end of picture
    rle = np.array([[6, 6, 6, 6, 6], [0, 0, 5, 5, 5], [3, 3, 1, 2, 4]], dtype=np.uint8)
    add("rle8.bmp", bmp(5, 3, 8, stream, PALETTE, compression=1), "bmp", "GRAY", 5, 3, rle)
    expect("rle8.bmp", "bmp", "RGB", 5, 3, palette_rgb(rle))
    # Pillow here reads a delta's two bytes twice: it is the judge of runs without one.
    plain = bytes([2, 3, 0, 3, 1, 2, 4, 0, 0, 0, 5, 0, 0, 0, 5, 6, 0, 1])
    flat = np.array([[6, 6, 6, 6, 6], [0, 0, 0, 0, 0], [3, 3, 1, 2, 4]], dtype=np.uint8)
    add("rle8_plain.bmp", bmp(5, 3, 8, plain, PALETTE, compression=1), "bmp", "RGB", 5, 3, palette_rgb(flat))
    pillow_agrees("rle8_plain.bmp", "RGB", palette_rgb(flat))

    # A repeated run past its row's end is cut there, as Pillow cuts it: 255 from the last column
    # of a 128-pixel row, 9 and 7 in rows of five pixels (stored as eight), 8- and 4-bit.
    wide = [[4] * 128, [3] * 125 + [5, 6, 1], [1] * 128, [1] * 127 + [2]]
    for name, width, bits, stream, indices in [
            ("rle8_row_overflow.bmp", 128, 8, [127, 1, 255, 2, 0, 0, 128, 1, 0, 0, 125, 3, 0, 3, 5, 6, 1, 0, 0, 0, 200, 4, 0, 1], wide),
            ("rle8_overrun.bmp", 5, 8, [9, 1, 0, 0, 5, 2, 0, 0, 5, 3, 0, 1], [[3] * 5, [2] * 5, [1] * 5]),
            ("rle4_overrun.bmp", 5, 4, [9, 0x12, 0, 0, 7, 0x34, 0, 1], [[3, 4, 3, 4, 3], [1, 2, 1, 2, 1]])]:
        indices = np.array(indices, dtype=np.uint8)
        add(name, bmp(width, len(indices), bits, bytes(stream), PALETTE, compression={8: 1, 4: 2}[bits]), "bmp", "GRAY", width, len(indices), indices)
        expect(name, "bmp", "RGB", width, len(indices), palette_rgb(indices))
        pillow_agrees(name, "RGB", palette_rgb(indices))

    damaged = {
        # Rows of five pixels are stored as eight: a run may start in the padding, not past it.
        "rle8_run_past_row.bmp": bytes([9, 1, 2, 2, 0, 0, 5, 2, 0, 0, 5, 3, 0, 1]),
        "rle8_absolute_overrun.bmp": bytes([0, 9, 1, 2, 3, 4, 5, 6, 1, 1, 1, 0, 0, 1]),
        "rle8_delta_out.bmp": bytes([0, 2, 200, 0, 1, 1, 0, 1]),      # moved far past the row
        "rle8_delta_below.bmp": bytes([0, 2, 0, 9, 1, 1, 0, 1]),      # moved past the last row
        "rle8_index_past.bmp": bytes([5, 7, 0, 0, 5, 1, 0, 0, 5, 1, 0, 1]),
        "rle8_cut.bmp": bytes([5, 1, 0, 0, 5]),
    }
    for name, stream in damaged.items():
        add(name, bmp(5, 3, 8, stream, PALETTE, compression=1), "bmp", "GRAY", 5, 3)

    # 4-bit runs over an odd width: the pad pixels past the row are no damage.
    stream = bytes([8, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x66, 0, 1])
    rle4 = np.array([[3, 4, 5, 6, 6], [1, 2, 1, 2, 1]], dtype=np.uint8)
    add("rle4.bmp", bmp(5, 2, 4, stream, PALETTE, compression=2), "bmp", "GRAY", 5, 2, rle4)


# ---- DICOM ----------------------------------------------------------------

def dicom(name, pixels, bits, samples=1, photometric="MONOCHROME2", shape=True, signed=False):
    ds = explicit_little_dataset(name, "1.2.840.10008.5.1.4.1.1.7")
    if samples is not None:
        ds.SamplesPerPixel = samples
    if samples and samples > 1:
        ds.PlanarConfiguration = 0
    if photometric:
        ds.PhotometricInterpretation = photometric
    if shape:
        ds.Rows, ds.Columns = pixels.shape[0], pixels.shape[1]
    if bits:
        ds.BitsAllocated, ds.BitsStored, ds.HighBit = bits, bits, bits - 1
    ds.PixelRepresentation = 1 if signed else 0
    ds.add_new(0x7FE00010, "OW" if bits and bits > 8 else "OB", pixels.tobytes())
    ds.save_as(os.path.join(OUT, name), write_like_original=False)


def dicom_corpus():
    grey16 = (np.arange(12, dtype="<u2").reshape(3, 4) * 5000 + 7).astype("<u2")
    dicom("grey16.dcm", grey16, 16)
    expect("grey16.dcm", "dcm", "GRAY16", 4, 3, grey16)
    dicom("mono1.dcm", grey16, 16, photometric="MONOCHROME1")
    expect("mono1.dcm", "dcm", "GRAY16", 4, 3, grey16)
    grey8 = (np.arange(12, dtype=np.uint8).reshape(3, 4) * 20).astype(np.uint8)
    dicom("grey8.dcm", grey8, 8)
    expect("grey8.dcm", "dcm", "GRAY", 4, 3, grey8)
    # Pixels pydicom reads back are those written.
    assert np.array_equal(pydicom.dcmread(os.path.join(OUT, "grey16.dcm")).pixel_array, grey16)

    # 8-bit colour whose 24 bytes a 4 x 3 grey 16-bit slice would take as its own.
    rgb = np.arange(24, dtype=np.uint8).reshape(2, 4, 3)
    dicom("rgb8.dcm", rgb, 8, samples=3, photometric="RGB", shape=False)
    expect("rgb8.dcm", "dcm", "GRAY16", 4, 3)
    dicom("rgb8_no_samples.dcm", rgb, None, samples=None, photometric="RGB", shape=False)
    expect("rgb8_no_samples.dcm", "dcm", "GRAY16", 4, 3)
    dicom("three_samples.dcm", rgb, None, samples=3, photometric=None, shape=False)
    expect("three_samples.dcm", "dcm", "GRAY16", 4, 3)
    # 8-bit grey of 24 bytes taken as 16-bit, with and without its shape.
    wide8 = np.arange(24, dtype=np.uint8).reshape(3, 8)
    dicom("grey8_as16.dcm", wide8, 8, shape=False)
    expect("grey8_as16.dcm", "dcm", "GRAY16", 4, 3)
    dicom("grey8_shape.dcm", wide8, None)
    expect("grey8_shape.dcm", "dcm", "GRAY16", 4, 3)
    dicom("palette_colour.dcm", grey8, 8, photometric="PALETTE COLOR")
    expect("palette_colour.dcm", "dcm", "GRAY", 4, 3)


# ---- TIFF -----------------------------------------------------------------

def with_entry(data, tag, value):
    """Overwrites the inline value of one entry of a little-endian TIFF's first directory."""
    ifd = struct.unpack_from("<I", data, 4)[0]
    out = bytearray(data)
    for e in range(struct.unpack_from("<H", data, ifd)[0]):
        at = ifd + 2 + 12 * e
        if struct.unpack_from("<H", data, at)[0] == tag:
            struct.pack_into("<I", out, at + 8, value)
    return bytes(out)


def without_samples_per_pixel(data):
    """Renames the SamplesPerPixel entry of a little-endian TIFF, if it has one, to a tag nobody knows."""
    assert data[:2] == b"II"
    ifd = struct.unpack_from("<I", data, 4)[0]
    count = struct.unpack_from("<H", data, ifd)[0]
    out = bytearray(data)
    for e in range(count):
        at = ifd + 2 + 12 * e
        if struct.unpack_from("<H", data, at)[0] == 277:
            struct.pack_into("<H", out, at, 0xFDE8)
    return bytes(out)


def tiff_corpus():
    im = Image.fromarray(INDICES, "P")
    im.putpalette([c for rgb in PALETTE for c in rgb])
    colormap = np.zeros((3, 256), np.uint16)
    colormap[:, :len(PALETTE)] = np.array(PALETTE, np.uint16).T * 257
    files = {}
    for compression in ("raw", "tiff_lzw"):
        buffer = io.BytesIO()
        im.save(buffer, "TIFF", compression=compression)
        files[f"pillow_{compression}"] = buffer.getvalue()
    for compression in (None, "zlib"):
        buffer = io.BytesIO()
        tifffile.imwrite(buffer, INDICES, photometric="palette", colormap=colormap, compression=compression)
        files[f"tifffile_{compression}"] = buffer.getvalue()
    for stem, data in files.items():
        write(stem + ".tif", data)
        pillow_agrees(stem + ".tif", None, INDICES)
        expect(stem + ".tif", "tif", "GRAY", 5, 3, INDICES)
        bare = stem + "_no_samples.tif"
        write(bare, without_samples_per_pixel(data))
        expect(bare, "tif", "GRAY", 5, 3, INDICES)
        expect(bare, "tiff", "RGB", 5, 3, np.repeat(INDICES[:, :, None], 3, axis=2))
    # One strip that claims two gigabytes of a file of a few hundred bytes.
    add("lying_strip.tif", with_entry(files["pillow_tiff_lzw"], 279, 0x7FFFFFF0), "tif", "GRAY", 5, 3)


# ---- PNG and JPEG ---------------------------------------------------------

def chunk(kind, body, length=None):
    crc = zlib.crc32(kind + body) & 0xFFFFFFFF
    return struct.pack(">I", len(body) if length is None else length) + kind + body + struct.pack(">I", crc)


def png(width, height, depth, colour, rows, extra=b""):
    """rows: the filtered-free bytes of each row, packed as the depth packs them."""
    header = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    data = zlib.compress(b"".join(b"\0" + row for row in rows))
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", data) + chunk(b"IEND", b"")


def keyed(values, key, scale=1):
    grey = (values * scale).astype(np.uint8)
    alpha = np.where(values == key, 0, 255).astype(np.uint8)
    return np.stack([grey, grey, grey, alpha], axis=2)


def png_corpus():
    grey = np.array([[0, 50, 100, 150], [50, 200, 50, 255], [10, 20, 30, 50]], dtype=np.uint8)
    keyed8 = png(4, 3, 8, 0, [bytes(r.tolist()) for r in grey], chunk(b"tRNS", struct.pack(">H", 50)))
    add("grey8_trns.png", keyed8, "png", "RGBA", 4, 3, keyed(grey, 50))
    expect("grey8_trns.png", "png", "GRAY", 4, 3, grey)
    pillow_agrees("grey8_trns.png", "RGBA", keyed(grey, 50))

    two = np.array([[0, 1, 2, 3], [3, 1, 1, 0]], dtype=np.uint8)
    packed = [bytes([r[0] << 6 | r[1] << 4 | r[2] << 2 | r[3]]) for r in two]
    add("grey2_trns.png", png(4, 2, 2, 0, packed, chunk(b"tRNS", struct.pack(">H", 1))), "png", "RGBA", 4, 2, keyed(two, 1, 85))
    # The key is in the stored depth (Pillow here compares it with the widened value instead).

    wide = np.array([[0, 1000, 65535], [1000, 40000, 257]], dtype=np.uint32)
    scaled = (wide * 255 + 32895) >> 16
    rows16 = [b"".join(struct.pack(">H", int(v)) for v in r) for r in wide]
    write("grey16_trns.png", png(3, 2, 16, 0, rows16, chunk(b"tRNS", struct.pack(">H", 1000))))
    alpha = np.where(wide == 1000, 0, 255)
    expect("grey16_trns.png", "png", "RGBA", 3, 2, np.stack([scaled, scaled, scaled, alpha], axis=2))

    # Chunk lengths that promise far more than the file holds.
    sound = png(4, 3, 8, 0, [bytes(r.tolist()) for r in grey])
    head = sound[:33]
    add("lying_text.png", head + chunk(b"tEXt", b"Comment\0abcdefghijklm", 0x40000000)[:24], "png", "GRAY", 4, 3)
    ztxt = chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"x" * 64), 0x7FFFFFF0)
    add("lying_ztxt.png", head + ztxt + sound[33:], "png", "GRAY", 4, 3)
    add("lying_idat.png", head + struct.pack(">I", 0x7FFFFF00) + sound[37:], "png", "GRAY", 4, 3)
    huge = png(1 << 20, 1 << 20, 8, 0, [b"\0"])
    add("huge.png", huge, "png", "GRAY", 4, 3)

    buffer = io.BytesIO()
    Image.fromarray(np.full((8, 8), 77, np.uint8)).save(buffer, "JPEG")
    data = bytearray(buffer.getvalue())
    sof = data.index(b"\xff\xc0")
    data[sof + 5:sof + 9] = struct.pack(">HH", 65000, 65000)
    add("huge.jpg", bytes(data), "jpg", "GRAY", 8, 8)


def main():
    os.makedirs(OUT, exist_ok=True)
    bmp_corpus()
    dicom_corpus()
    tiff_corpus()
    png_corpus()
    with open(os.path.join(OUT, "corpus.txt"), "w") as f:
        f.write("\n".join(LINES) + "\n")


if __name__ == "__main__":
    main()
