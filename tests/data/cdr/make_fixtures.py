#!/usr/bin/env python3
"""Writes the CDR preview fixtures (made by us; no real drawing is inside).

    python3 tests/data/cdr/make_fixtures.py

Every picture shows four quadrants, so that a test (or a look at a render)
can tell placement, orientation and colours apart:

  zip_png.cdr   zip archive: previews/thumbnail.png (deflated, 48 x 32:
                red, green / blue, yellow) and metadata/thumbnails/thumbnail.bmp
                (stored, other colours) -- the PNG must win
  zip_bmp.cdr   zip archive with only the BMP member, stored under the name
                Metadata/Thumbnails/Thumbnail.BMP (24-bit, 40 x 24: cyan,
                magenta / black, grey)

The older RIFF and CMX3 previews are built by the tests themselves.
"""
import os
import struct
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

RED, GREEN, BLUE, YELLOW = (255, 0, 0), (0, 160, 0), (0, 0, 255), (255, 255, 0)
CYAN, MAGENTA, BLACK, GREY = (0, 255, 255), (255, 0, 255), (0, 0, 0), (128, 128, 128)


def quadrant(x, y, w, h, colours):
    """colours: upper left, upper right, lower left, lower right."""
    return colours[(2 if y >= h // 2 else 0) + (1 if x >= w // 2 else 0)]


def png(w, h, colours):
    rows = b""
    for y in range(h):
        rows += b"\x00" + b"".join(bytes(quadrant(x, y, w, h, colours)) for x in range(w))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def bmp24(w, h, colours):
    stride = (w * 3 + 3) & ~3
    pixels = b""
    for y in reversed(range(h)):  # bottom row first
        row = b"".join(bytes(reversed(quadrant(x, y, w, h, colours))) for x in range(w))
        pixels += row + b"\x00" * (stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 14 + len(info)) + info + pixels


def write_zip(path, members):
    with zipfile.ZipFile(path, "w") as z:
        for name, data, method in members:
            info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
            info.compress_type = method
            z.writestr(info, data)


def main():
    thumb_png = png(48, 32, (RED, GREEN, BLUE, YELLOW))
    write_zip(os.path.join(HERE, "zip_png.cdr"), [
        ("content/riffData.cdr", b"RIFF\x04\x00\x00\x00CDRA", zipfile.ZIP_STORED),
        ("metadata/thumbnails/thumbnail.bmp", bmp24(40, 24, (CYAN, MAGENTA, BLACK, GREY)), zipfile.ZIP_STORED),
        ("previews/thumbnail.png", thumb_png, zipfile.ZIP_DEFLATED),
    ])
    write_zip(os.path.join(HERE, "zip_bmp.cdr"), [
        ("Metadata/Thumbnails/Thumbnail.BMP", bmp24(40, 24, (CYAN, MAGENTA, BLACK, GREY)), zipfile.ZIP_STORED),
    ])


if __name__ == "__main__":
    main()
