#!/usr/bin/env python3
"""Writes the committed picture corpora next to this script.

seeds/      small well-formed pictures that the reader must accept; they start
            the fuzzer off inside the format.
malformed/  files the reader must refuse, one rule bent per file. Dimension
            tricks come with exactly as many bytes as a reader that computes
            sizes in 32 bits would think it needs, so such a reader would accept
            them and read far outside its buffer.

Run it again after changing it; the files are committed.
"""

import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def row_length(width):
    return (3 * width + 3) // 4 * 4


def header(width, height, bits=24, info_size=40, compression=0, clr_used=0,
           clr_important=0, signature=b"BM", pixel_bytes=0):
    file_header = signature + struct.pack("<IHHI", 54 + pixel_bytes, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       pixel_bytes, 2835, 2835, clr_used, clr_important)
    return file_header + info


def pixels(width, height, bytes_per_pixel=3):
    out = bytearray()
    stride = (bytes_per_pixel * width + 3) // 4 * 4
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            b, g, r = (x * 37 + y * 11) & 0xFF, (x * 5 + y * 71) & 0xFF, (x ^ y) * 19 & 0xFF
            row += bytes([b, g, r, 0xFF][:bytes_per_pixel])
        row += b"\xEE" * (stride - len(row))
        out += row
    return bytes(out)


def bmp(width, height, **fields):
    data = pixels(width, height)
    return header(width, height, pixel_bytes=len(data), **fields) + data


def seeds():
    files = {}
    for width, height in [(1, 1), (2, 2), (3, 5), (4, 1), (5, 3), (6, 2), (7, 4), (8, 8)]:
        files[f"picture-{width}x{height}.bmp"] = bmp(width, height)
    dark = bytearray(bmp(4, 2))
    dark[54:54 + 6] = bytes([6, 6, 7, 6, 7, 7])  # channel sums 19 and 20
    files["near-black-pixels.bmp"] = bytes(dark)
    bent = bytearray(bmp(3, 3))
    struct.pack_into("<I", bent, 2, 0xFFFFFFFF)   # bfSize
    struct.pack_into("<I", bent, 10, 0)           # bfOffBits
    struct.pack_into("<I", bent, 34, 0xFFFFFFFF)  # biSizeImage
    files["ignored-fields-bent.bmp"] = bytes(bent) + b"trailing bytes"
    return files


def malformed():
    base = bmp(5, 3)
    full = len(base)
    pix = base[54:]
    files = {
        "empty.bmp": b"",
        "one-byte.bmp": b"B",
        "signature-only.bmp": b"BM",
        "header-53-bytes.bmp": base[:53],
        "headers-only.bmp": base[:54],
        "missing-last-row.bmp": base[:full - 16],
        "missing-last-fill-byte.bmp": base[:full - 1],
        "signature-lowercase.bmp": b"bm" + base[2:],
        "signature-ba.bmp": b"BA" + base[2:],
        "signature-reversed.bmp": b"MB" + base[2:],
        "info-header-12.bmp": header(5, 3, info_size=12, pixel_bytes=len(pix)) + pix,
        "info-header-108.bmp": header(5, 3, info_size=108, pixel_bytes=len(pix)) + pix,
        "info-header-124.bmp": header(5, 3, info_size=124, pixel_bytes=len(pix)) + pix,
        "bits-32.bmp": header(5, 3, bits=32, pixel_bytes=60) + pixels(5, 3, 4),
        "bits-16.bmp": header(5, 3, bits=16, pixel_bytes=len(pix)) + pix,
        "bits-8.bmp": header(5, 3, bits=8, clr_used=0, pixel_bytes=len(pix)) + pix,
        "compression-rle8.bmp": header(5, 3, compression=1, pixel_bytes=len(pix)) + pix,
        "compression-rle4.bmp": header(5, 3, compression=2, pixel_bytes=len(pix)) + pix,
        "compression-bitfields.bmp": header(5, 3, compression=3, pixel_bytes=len(pix)) + pix,
        "clr-used.bmp": header(5, 3, clr_used=1, pixel_bytes=len(pix)) + pix,
        "clr-important.bmp": header(5, 3, clr_important=1, pixel_bytes=len(pix)) + pix,
        "width-zero.bmp": header(0, 3) + pix,
        "height-zero.bmp": header(5, 0) + pix,
        "width-negative.bmp": header(-5, 3) + pix,
        "height-negative-top-down.bmp": header(5, -3) + pix,
        "width-int-min.bmp": header(-2**31, 3) + pix,
        "height-int-min.bmp": header(5, -2**31) + pix,
        "width-over-limit.bmp": header(16385, 1) + pixels(16385, 1),
        "height-over-limit.bmp": header(1, 16385) + pixels(1, 16385),
        # 4097 x 4096 is only a little over the 64 MiB pixel block; a 32-bit
        # product of all of it wraps for 65536 x 65536.
        "pixel-block-over-limit.bmp": header(4097, 4096) + pix,
        "pixel-block-wraps-32-bits.bmp": header(65536, 65536),
        # 3 x 0x55555556 = 2^32 + 2: a 32-bit row length comes out as 4 bytes.
        "row-length-wraps-32-bits.bmp": header(0x55555556, 1) + b"\x80" * 4,
        # 3 x 0x40000000 is 0xC0000000, negative as an int.
        "row-length-negative-as-int.bmp": header(0x40000000, 1) + b"\x80" * 4,
        # Row length 4 times 2^30 rows: 2^32, which is 0 in 32 bits.
        "pixel-array-wraps-32-bits.bmp": header(1, 0x40000000),
        "sizes-claim-more-than-there-is.bmp": header(5, 3, pixel_bytes=len(pix)) + pix[:20],
    }
    return files


def write(directory, files):
    path = os.path.join(HERE, directory)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    for name, data in sorted(files.items()):
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write("seeds", seeds())
    write("malformed", malformed())
