#!/usr/bin/env python3
"""Turns the screen dump of the virtual X server (an XWD file, 24 or 32 bits
per pixel, TrueColor) into a PNG: xwd-to-png.py IN.xwd OUT.png [X Y W H]."""
import struct
import sys
import zlib


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, version = fields[0], fields[1]
    if version != 7:
        sys.exit("xwd-to-png: not an XWD version 7 file")
    width, height = fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    ncolors = fields[19]
    if bits_per_pixel not in (24, 32):
        sys.exit("xwd-to-png: only 24 or 32 bits per pixel")
    start = header_size + ncolors * 12
    step = bits_per_pixel // 8
    order = "<" if byte_order == 0 else ">"

    def shift(mask):
        s = 0
        while mask and not mask & 1:
            mask >>= 1
            s += 1
        return s

    shifts = [shift(m) for m in (red_mask, green_mask, blue_mask)]
    masks = (red_mask, green_mask, blue_mask)
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line : start + y * bytes_per_line + width * step]
        row = bytearray(3 * width)
        for x in range(width):
            chunk = line[x * step : x * step + step]
            pixel = struct.unpack(order + "I", chunk if step == 4 else (chunk + b"\0" if order == "<" else b"\0" + chunk))[0]
            for c in range(3):
                row[3 * x + c] = (pixel & masks[c]) >> shifts[c]
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    width, height, rows = read_xwd(sys.argv[1])
    if len(sys.argv) == 7:
        x, y, w, h = (int(v) for v in sys.argv[3:7])
        x, y = max(0, x), max(0, y)
        w, h = min(w, width - x), min(h, height - y)
        rows = [row[3 * x : 3 * (x + w)] for row in rows[y : y + h]]
        width, height = w, h
    write_png(sys.argv[2], width, height, rows)


main()
