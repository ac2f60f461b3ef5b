#!/usr/bin/env python3
"""Draws the program's pictures as 24-bit BMP files on magenta (the transparent colour):
  toolbar.bmp   eight 24 x 24 pictures in button order (Add Folder, Delete Folder, Scan Folders,
                Stop Thread, Cut, Copy, Paste, About), 192 x 24;
  quorvel.bmp   the window icon, 32 x 32: two equal pages and a check mark;
  quorvel.ico   the same icon for the Windows program file.

usage: tools/make_pictures.py RESOURCE-FOLDER

The pictures are the project's own, drawn here from circles, boxes and lines.
"""

import math
import os
import struct
import sys

W, H = 24, 24  # the size being drawn; the icon sets them to 32
MAGENTA = (255, 0, 255)
FOLDER = (232, 184, 64)
FOLDER_DARK = (176, 128, 32)
GREEN = (32, 150, 48)
RED = (200, 40, 40)
BLUE = (40, 90, 190)
GREY = (110, 110, 110)
PAPER = (250, 250, 250)
INK = (40, 40, 40)


class Picture:
    def __init__(self):
        self.px = [[MAGENTA] * W for _ in range(H)]

    def set(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def box(self, x0, y0, x1, y1, fill, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                on_edge = x in (x0, x1) or y in (y0, y1)
                self.set(x, y, edge if (edge and on_edge) else fill)

    def disc(self, cx, cy, r, fill, edge=None, width=1.2):
        for y in range(H):
            for x in range(W):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= r:
                    self.set(x, y, edge if (edge and d > r - width) else fill)

    def ring(self, cx, cy, r, width, c):
        for y in range(H):
            for x in range(W):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - width <= d <= r:
                    self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=2.0):
        for y in range(H):
            for x in range(W):
                px, py = x + 0.5, y + 0.5
                dx, dy = x1 - x0, y1 - y0
                t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / float(dx * dx + dy * dy)))
                if math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) <= width / 2:
                    self.set(x, y, c)


def folder(p):
    p.box(2, 5, 10, 8, FOLDER, FOLDER_DARK)
    p.box(2, 7, 21, 19, FOLDER, FOLDER_DARK)


def add_folder():
    p = Picture()
    folder(p)
    p.disc(17.5, 16.5, 6, GREEN)
    p.line(14.5, 16.5, 20.5, 16.5, PAPER, 2)
    p.line(17.5, 13.5, 17.5, 19.5, PAPER, 2)
    return p


def delete_folder():
    p = Picture()
    folder(p)
    p.disc(17.5, 16.5, 6, RED)
    p.line(15, 14, 20, 19, PAPER, 2)
    p.line(20, 14, 15, 19, PAPER, 2)
    return p


def scan_folders():
    p = Picture()
    p.box(3, 3, 14, 18, PAPER, GREY)
    p.box(6, 3, 17, 18, PAPER, GREY)
    p.ring(11, 11, 6, 2.2, BLUE)
    p.disc(11, 11, 3.8, (200, 225, 250))
    p.line(15, 15, 21, 21, INK, 3)
    return p


def stop_thread():
    p = Picture()
    pts = []
    for k in range(8):
        a = math.pi / 8 + k * math.pi / 4
        pts.append((12 + 10 * math.cos(a), 12 + 10 * math.sin(a)))
    for y in range(H):
        for x in range(W):
            inside = all((bx - ax) * (y + 0.5 - ay) - (by - ay) * (x + 0.5 - ax) >= 0
                         for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]))
            if inside:
                p.set(x, y, RED)
    p.box(7, 11, 16, 13, PAPER)
    return p


def cut():
    p = Picture()
    p.line(8, 3, 15, 15, GREY, 2)
    p.line(16, 3, 9, 15, GREY, 2)
    p.ring(7, 18, 4, 1.6, RED)
    p.ring(17, 18, 4, 1.6, RED)
    return p


def copy():
    p = Picture()
    p.box(3, 2, 14, 16, PAPER, GREY)
    p.box(9, 7, 20, 21, PAPER, BLUE)
    for y in (11, 14, 17):
        p.line(11.5, y + 0.5, 18, y + 0.5, GREY, 1)
    return p


def paste():
    p = Picture()
    p.box(4, 4, 19, 21, (190, 140, 80), (130, 90, 40))
    p.box(8, 2, 15, 6, GREY, INK)
    p.box(10, 9, 21, 22, PAPER, BLUE)
    for y in (13, 16, 19):
        p.line(12, y + 0.5, 19.5, y + 0.5, GREY, 1)
    return p


def about():
    p = Picture()
    p.disc(12, 12, 10, BLUE)
    p.box(11, 10, 13, 18, PAPER)
    p.disc(12, 6.5, 1.7, PAPER)
    return p


def icon():
    global W, H
    W, H = 32, 32
    p = Picture()
    p.box(3, 3, 18, 24, PAPER, GREY)
    p.box(12, 7, 27, 28, PAPER, BLUE)
    for y in (12, 16, 20):
        p.line(15, y + 0.5, 24.5, y + 0.5, GREY, 1.2)
    p.disc(23, 24, 7, GREEN)
    p.line(19.5, 24.5, 22, 27, PAPER, 2.2)
    p.line(22, 27, 26.5, 21, PAPER, 2.2)
    return p


def write_bmp(path, pictures):
    width = W * len(pictures)
    row_bytes = (width * 3 + 3) & ~3
    data = bytearray()
    for y in reversed(range(H)):  # BMP rows run bottom-up
        row = bytearray()
        for picture in pictures:
            for x in range(W):
                r, g, b = picture.px[y][x]
                row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_ico(path, picture):
    """One 32 x 32 image, 24-bit colour with an AND mask that clears the magenta pixels."""
    rows = bytearray()
    for y in reversed(range(H)):
        for x in range(W):
            r, g, b = picture.px[y][x]
            rows += bytes((b, g, r))
    mask = bytearray()
    for y in reversed(range(H)):
        bits = 0
        for x in range(W):
            bits = bits << 1 | (1 if picture.px[y][x] == MAGENTA else 0)
        mask += bits.to_bytes(W // 8, "big")
    header = struct.pack("<IiiHHIIiiII", 40, W, 2 * H, 1, 24, 0, len(rows) + len(mask), 0, 0, 0, 0)
    image = header + rows + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", W, H, 0, 0, 1, 24, len(image), 22)
    with open(path, "wb") as f:
        f.write(directory + image)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    write_bmp(os.path.join(folder, "toolbar.bmp"),
              [add_folder(), delete_folder(), scan_folders(), stop_thread(), cut(), copy(), paste(),
               about()])
    picture = icon()
    write_bmp(os.path.join(folder, "quorvel.bmp"), [picture])
    write_ico(os.path.join(folder, "quorvel.ico"), picture)


if __name__ == "__main__":
    main()
