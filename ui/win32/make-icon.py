#!/usr/bin/env python3
"""Packs PNG pictures (8-bit RGB or RGBA, as rsvg-convert writes them) into one
Windows icon file of 32-bit bitmaps with alpha, one entry per picture.

usage: make-icon.py OUT.ico IN.png...
"""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        sys.exit(f"{path}: only non-interlaced 8-bit RGB or RGBA is read")
    raw = zlib.decompress(idat)
    channels = 4 if colour == 6 else 3
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        previous = line
        if channels == 3:
            rgba = bytearray(width * 4)
            rgba[0::4], rgba[1::4], rgba[2::4] = line[0::3], line[1::3], line[2::3]
            rgba[3::4] = b"\xff" * width
            line = rgba
        rows.append(bytes(line))
    return width, height, rows


def icon_image(width, height, rows):
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b""
    for row in reversed(rows):  # bottom-up
        out = bytearray(len(row))
        out[0::4], out[1::4], out[2::4], out[3::4] = row[2::4], row[1::4], row[0::4], row[3::4]
        pixels += bytes(out)
    mask_stride = ((width + 31) // 32) * 4
    return header + pixels + bytes(mask_stride * height)


def main():
    out, inputs = sys.argv[1], sys.argv[2:]
    images = [icon_image(*read_png(p)) for p in inputs]
    sizes = [read_png(p)[:2] for p in inputs]
    offset = 6 + 16 * len(images)
    blob = struct.pack("<HHH", 0, 1, len(images))
    for (w, h), image in zip(sizes, images):
        blob += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(out, "wb") as f:
        f.write(blob + b"".join(images))


main()
