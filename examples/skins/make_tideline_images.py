#!/usr/bin/env python3
"""Draws the Tideline example skin's images (no randomness: the same files every run).

  python3 examples/skins/make_tideline_images.py

writes into examples/skins/Tideline/Contents/Resources/:
  atlas.png    128 x 128 RGBA: a knob face in the 64-pixel cell at (0, 0) and, in the
               rightmost 8 columns, the meter strip (red at the top, green at the bottom)
  atlas_n.png  the atlas's normal map: the knob face as a low dome with a raised rim
  tile.png     64 x 64 RGB background tile: dark teal with gentle diagonal ripples
  tile_n.png   the tile's normal map, following the ripples
The editor takes 8-bit RGB or RGBA PNG files whose sides are powers of two.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "Tideline", "Contents", "Resources")


def write_png(path, width, height, channels, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(bytes(max(0, min(255, int(round(c)))) for c in pixel(x, y)))
    colour_type = 6 if channels == 4 else 2

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        f.write(chunk(b"IEND", b""))


def encode_normal(nx, ny, nz):
    length = math.sqrt(nx * nx + ny * ny + nz * nz) or 1.0
    return (127.5 + 127.5 * nx / length, 127.5 + 127.5 * ny / length, 127.5 + 127.5 * nz / length)


CELL = 64
STRIP_X = 120


def knob_geometry(x, y):
    """Distance from the cell's centre (0 at the centre, 1 at the face's edge) and offsets."""
    dx = (x + 0.5 - CELL / 2) / (CELL / 2 - 2)
    dy = (y + 0.5 - CELL / 2) / (CELL / 2 - 2)
    return math.hypot(dx, dy), dx, dy


def atlas(x, y):
    if x >= STRIP_X:
        # The meter strip: green at the bottom through amber to red at the top.
        level = 1.0 - y / 127.0
        return (40 + 215 * min(1.0, level * 1.6), 230 - 190 * max(0.0, level - 0.6) / 0.4, 60, 255)
    if x < CELL and y < CELL:
        r, dx, dy = knob_geometry(x, y)
        if r > 1.0:
            return (0, 0, 0, 0)
        # The pointer: a bright bar along +x, where the knob's angle 0 points.
        if dx > 0.25 and abs(dy) < 0.09:
            return (250, 240, 200, 255)
        rim = r > 0.86
        shade = 0.75 + 0.25 * (1.0 - r)
        base = (150, 200, 205) if rim else (30, 110, 120)
        return tuple(c * shade for c in base) + (255,)
    return (0, 0, 0, 0)


def atlas_normals(x, y):
    if x < CELL and y < CELL:
        r, dx, dy = knob_geometry(x, y)
        if r <= 1.0:
            slope = 0.9 if r > 0.86 else 0.3 * r
            return encode_normal(dx * slope, -dy * slope, 1.0) + (255,)
    return encode_normal(0.0, 0.0, 1.0) + (255,)


def ripple(x, y):
    # Period 64 along the diagonal, so the tile repeats without seams.
    return 2 * math.pi * (x + y) / 32.0


def tile(x, y):
    wave = math.sin(ripple(x, y)) * 0.5 + 0.5
    return (12 + 10 * wave, 58 + 22 * wave, 66 + 24 * wave)


def tile_normals(x, y):
    slope = 0.35 * math.cos(ripple(x, y))
    return encode_normal(slope, -slope, 1.0)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_png(os.path.join(OUT, "atlas.png"), 128, 128, 4, atlas)
    write_png(os.path.join(OUT, "atlas_n.png"), 128, 128, 4, atlas_normals)
    write_png(os.path.join(OUT, "tile.png"), 64, 64, 3, tile)
    write_png(os.path.join(OUT, "tile_n.png"), 64, 64, 3, tile_normals)


if __name__ == "__main__":
    main()
