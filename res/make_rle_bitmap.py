#!/usr/bin/env python3
"""Rewrites a 24-bit bitmap as an 8-bit run-length encoded one (BI_RLE8).

    make_rle_bitmap.py IN.bmp OUT.bmp

The palette holds exactly the colours of the picture, so the pixels stay the
same; a picture of more than 256 colours is refused. The installer's artwork
is flat gradients and rounded faces, which the encoding stores in a few KB
where the 24-bit form takes 3 bytes a pixel (the 600 x 360 background: 648 KB
against about 6 KB). The system decodes it when it loads the bitmap resource,
so the program loads it as before.
"""
import struct
import sys

FILE_HEADER = struct.Struct("<2sIHHI")  # BITMAPFILEHEADER, 14 bytes
INFO_HEADER = struct.Struct("<IiiHHIIiiII")  # BITMAPINFOHEADER, 40 bytes
BI_RGB, BI_RLE8 = 0, 1
assert FILE_HEADER.size == 14 and INFO_HEADER.size == 40


def read_24bit(path):
    """Width, height and the rows of colour triples (bottom row first)."""
    data = open(path, "rb").read()
    magic, _, _, _, offset = FILE_HEADER.unpack_from(data, 0)
    size, width, height, planes, bits, compression, *_ = INFO_HEADER.unpack_from(data, FILE_HEADER.size)
    if magic != b"BM" or size < INFO_HEADER.size or planes != 1 or bits != 24 or compression != BI_RGB:
        sys.exit(f"make_rle_bitmap: {path}: not an uncompressed 24-bit bitmap")
    if width <= 0 or height <= 0:
        sys.exit(f"make_rle_bitmap: {path}: needs a bottom-up bitmap of positive size")
    stride = (width * 3 + 3) & ~3
    if offset + stride * height > len(data):
        sys.exit(f"make_rle_bitmap: {path}: pixel data cut short")
    rows = []
    for y in range(height):
        row = data[offset + y * stride : offset + y * stride + width * 3]
        rows.append([row[i : i + 3] for i in range(0, width * 3, 3)])
    return width, height, rows


def encode_row(row):
    """One row in RLE8: runs of 3 or more as (count, index); stretches of
    differing pixels in absolute mode (0, n, n indices, padded to an even
    length), 1 or 2 stray pixels as short runs; then end of line (0, 0)."""
    runs = []  # (index, length), lengths up to 255
    i = 0
    while i < len(row):
        j = i
        while j < len(row) and j - i < 255 and row[j] == row[i]:
            j += 1
        runs.append((row[i], j - i))
        i = j
    out = bytearray()
    literal = []

    def flush():
        while literal:
            chunk, literal[:] = literal[:255], literal[255:]
            if len(chunk) >= 3:
                out.extend((0, len(chunk)))
                out.extend(chunk)
                if len(chunk) % 2:
                    out.append(0)
            else:
                for index in chunk:
                    out.extend((1, index))

    for index, length in runs:
        if length >= 3:
            flush()
            out.extend((length, index))
        else:
            literal.extend([index] * length)
    flush()
    out.extend((0, 0))
    return out


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_rle_bitmap.py IN.bmp OUT.bmp")
    source, target = sys.argv[1:]
    width, height, rows = read_24bit(source)
    colours = sorted({pixel for row in rows for pixel in row})
    if len(colours) > 256:
        sys.exit(f"make_rle_bitmap: {source}: {len(colours)} colours, an 8-bit bitmap holds 256")
    index = {colour: i for i, colour in enumerate(colours)}
    bits = b"".join(encode_row([index[p] for p in row]) for row in rows) + bytes((0, 1))  # end of bitmap
    palette = b"".join(colour + b"\0" for colour in colours)  # RGBQUAD: blue, green, red, 0
    offset = FILE_HEADER.size + INFO_HEADER.size + len(palette)
    header = FILE_HEADER.pack(b"BM", offset + len(bits), 0, 0, offset)
    info = INFO_HEADER.pack(INFO_HEADER.size, width, height, 1, 8, BI_RLE8, len(bits), 2835, 2835, len(colours), 0)
    with open(target, "wb") as out:
        out.write(header + info + palette + bits)


if __name__ == "__main__":
    main()
