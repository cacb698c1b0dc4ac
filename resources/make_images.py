#!/usr/bin/env python3
"""Draws the program's icon (brelloquin.ico, and brelloquin.png for desktop menus) and its hand
pointer (HAND-M.CUR).

Both are 32 x 32, 32-bit images in the icon file layout (a cursor is an icon whose directory
entry holds the hotspot instead of planes and bit count). Run from this folder to remake them.
"""
import math
import struct
import zlib

SIZE = 32

# The pointing hand: '#' outline, '.' white fill; the finger tip is the hotspot.
HAND = """
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
  ## #..#..#..#.#
 #..##........#..#
 #...#...........#
  #..............#
   #.............#
   #............#
    #...........#
    #..........#
     #.........#
     #........#
      #.......#
      #########
"""
HOTSPOT = (7, 1)


def hand_pixels():
    rows = HAND.strip("\n").split("\n")
    pixels = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    for y, row in enumerate(rows):
        for x, mark in enumerate(row):
            if mark == "#":
                pixels[y + 1][x] = (0, 0, 0, 255)
            elif mark == ".":
                pixels[y + 1][x] = (255, 255, 255, 255)
    return pixels


def icon_pixels():
    """A green sheet with a grid, and a blue table drum in front of it."""
    pixels = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    for y in range(2, 24):
        for x in range(2, 24):
            edge = x in (2, 23) or y in (2, 23)
            header = y < 7
            grid = (x - 2) % 7 == 0 or (y - 2) % 5 == 0
            if edge:
                pixels[y][x] = (16, 100, 48, 255)
            elif header:
                pixels[y][x] = (33, 150, 83, 255)
            elif grid:
                pixels[y][x] = (120, 190, 140, 255)
            else:
                pixels[y][x] = (255, 255, 255, 255)
    cx, rx, ry, top, bottom = 21.5, 9.5, 3.5, 16, 27
    for y in range(SIZE):
        for x in range(SIZE):
            dx = (x + 0.5 - cx) / rx
            if abs(dx) > 1:
                continue
            half = ry * math.sqrt(1 - dx * dx)
            py = y + 0.5
            if top - half <= py <= top + half:
                inner = ((x + 0.5 - cx) / (rx - 1)) ** 2 + ((py - top) / (ry - 1)) ** 2 < 1
                pixels[y][x] = (90, 160, 230, 255) if inner else (20, 60, 140, 255)
            elif top <= py <= bottom + half:
                on_edge = abs(dx) > 0.9 or py > bottom + half - 1.2
                band = abs(py - (bottom - 3 + half * 0.6)) < 0.6
                pixels[y][x] = (20, 60, 140, 255) if on_edge or band else (50, 110, 200, 255)
    return pixels


def dib(pixels):
    """The image as the icon layout stores it: header, bottom-up BGRA rows, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask = b""
    for row in reversed(pixels):
        bits = 0
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    return header + colour + mask


def write(path, kind, pixels, field1, field2):
    image = dib(pixels)
    directory = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, field1, field2, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + entry + image)


def write_png(path, pixels):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    rows = b"".join(b"\0" + b"".join(bytes(pixel) for pixel in row) for row in pixels)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    write("brelloquin.ico", 1, icon_pixels(), 1, 32)  # planes, bit count
    write("HAND-M.CUR", 2, hand_pixels(), *HOTSPOT)  # hotspot x, y
    write_png("brelloquin.png", icon_pixels())
