#!/usr/bin/env python3
"""Packs a bitmap file as one of the installer's artwork sheets.

    make_sheet_blob.py IN.bmp OUT.bin

OUT holds the 4-byte length (little-endian) of the packed DIB that IN holds
behind its 14-byte file header (header, colour table, bits), then that DIB
as a zlib stream, compressed by pigz's strongest level (zopfli). The
installer inflates it with zlib's uncompress, which it carries for its
packages anyway: the 8-bit sheet of the 200 % artwork takes about a third of
its size as a run-length encoded bitmap resource.
"""
import struct
import subprocess
import sys
import zlib


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_sheet_blob.py IN.bmp OUT.bin")
    data = open(sys.argv[1], "rb").read()
    if data[:2] != b"BM" or len(data) < 14 + 40:
        sys.exit(f"make_sheet_blob: {sys.argv[1]}: not a bitmap file")
    dib = data[14:]
    stream = subprocess.run(["pigz", "-11", "-z", "-c"], input=dib, capture_output=True, check=True).stdout
    if zlib.decompress(stream) != dib:
        sys.exit("make_sheet_blob: the stream does not give the bitmap back")
    with open(sys.argv[2], "wb") as out:
        out.write(struct.pack("<I", len(dib)) + stream)


if __name__ == "__main__":
    main()
