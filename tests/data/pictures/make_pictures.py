#!/usr/bin/env python3
"""Writes the tiny picture fixtures of the picture data tests into this folder.

Run it again only to change a fixture on purpose; the tests read the files
checked in beside it.

  logo.ico     a one-image Windows icon, 16 x 16, 32 bits a pixel: the left
               half red, the right half blue, all opaque (AND mask clear).
  palette.bmp  a 4 x 2 Windows bitmap, 8 bits a pixel with a 5-colour palette,
               bottom-up: top row red, green, blue, white; bottom row black,
               black, white, white. Rows are 4 bytes, no padding needed.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def icon():
    size = 16
    # BGRA rows, bottom-up as in every DIB.
    pixels = b""
    for _y in range(size):
        for x in range(size):
            pixels += bytes((0, 0, 255, 255)) if x < size // 2 else bytes((255, 0, 0, 255))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)
    # BITMAPINFOHEADER with the height doubled: colour image then AND mask.
    dib = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = dib + pixels + mask
    # ICONDIR then one ICONDIRENTRY.
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return header + entry + image


def palette_bitmap():
    # BGRX entries: 0 red, 1 green, 2 blue, 3 white, 4 black.
    palette = bytes((0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0))
    # Bottom row first.
    rows = bytes((4, 4, 3, 3)) + bytes((0, 1, 2, 3))
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, 4, 2, 1, 8, 0, len(rows), 3780, 3780, 5, 0)
    file_header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    return file_header + info + palette + rows


if __name__ == "__main__":
    write("logo.ico", icon())
    write("palette.bmp", palette_bitmap())
