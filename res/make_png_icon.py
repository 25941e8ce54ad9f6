#!/usr/bin/env python3
"""Rewrites the 32-bit images of an icon file as PNG images.

    make_png_icon.py IN.ico OUT.ico

Every image stored as a 32-bit bitmap (colour and alpha, plus an AND mask)
becomes a PNG image of the same pixels and alpha; images already stored as
PNG stay as they are. The system reads PNG images in icons of any size and
takes the transparency from the alpha channel, so the icon looks the same,
and the installer's 48, 32 and 16 pixel images take about a sixth of their
bitmap size. Images of other depths are refused.
"""
import struct
import sys
import zlib

ICON_DIR = struct.Struct("<HHH")  # reserved, type (1 = icon), count
ICON_ENTRY = struct.Struct("<BBBBHHII")  # width, height, colours, 0, planes, bits, size, offset
INFO_HEADER = struct.Struct("<IiiHHIIiiII")  # BITMAPINFOHEADER
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
assert ICON_DIR.size == 6 and ICON_ENTRY.size == 16 and INFO_HEADER.size == 40


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def bitmap_to_png(image, name):
    size, width, height2, planes, bits, compression, *_ = INFO_HEADER.unpack_from(image, 0)
    height = height2 // 2  # colour rows, then the AND mask rows
    if size != INFO_HEADER.size or planes != 1 or bits != 32 or compression != 0 or width <= 0 or height <= 0:
        sys.exit(f"make_png_icon: {name}: an image is not a 32-bit bitmap")
    if len(image) < size + width * height * 4:
        sys.exit(f"make_png_icon: {name}: an image is cut short")
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up BGRA to top-down RGBA
        row = image[size + y * width * 4 : size + (y + 1) * width * 4]
        rgba = bytearray(row)
        rgba[0::4], rgba[2::4] = row[2::4], row[0::4]
        rows.append(b"\0" + bytes(rgba))  # filter type 0 per row
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (PNG_SIGNATURE + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
            + png_chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_png_icon.py IN.ico OUT.ico")
    source, target = sys.argv[1:]
    data = open(source, "rb").read()
    reserved, kind, count = ICON_DIR.unpack_from(data, 0)
    if reserved != 0 or kind != 1 or count == 0:
        sys.exit(f"make_png_icon: {source}: not an icon file")
    entries, images = [], []
    for i in range(count):
        entry = list(ICON_ENTRY.unpack_from(data, ICON_DIR.size + i * ICON_ENTRY.size))
        image = data[entry[7] : entry[7] + entry[6]]
        if not image.startswith(PNG_SIGNATURE):
            image = bitmap_to_png(image, source)
        entries.append(entry)
        images.append(image)
    offset = ICON_DIR.size + count * ICON_ENTRY.size
    out = bytearray(ICON_DIR.pack(0, 1, count))
    for entry, image in zip(entries, images):
        entry[6], entry[7] = len(image), offset
        out += ICON_ENTRY.pack(*entry)
        offset += len(image)
    for image in images:
        out += image
    with open(target, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
