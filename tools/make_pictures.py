#!/usr/bin/env python3
"""Draws the program's pictures as 24-bit BMP files on magenta (the transparent colour):
  toolbar.bmp   eight 24 x 24 pictures in button order (Add Folder, Delete Folder, Scan Folders,
                Stop Thread, Cut, Copy, Paste, About), 192 x 24;
  toolbar2x.bmp the same art drawn at twice the size, 384 x 48, for screens at a scale of 2;
  quorvel.bmp   the window icon, 32 x 32: two equal pages and a check mark;
  quorvel.ico   the same icon for the Windows program file;
  project.ico   the project file's icon, 32 x 32: a page listing folders, with the check mark.
Given an icon folder too, it draws the icon and the project file's icon, smoothed, at every size of
the desktop's icon theme, as ICON-FOLDER/hicolor/NxN/{apps,mimetypes}/NAME.png.

usage: tools/make_pictures.py RESOURCE-FOLDER [ICON-FOLDER]

The pictures are the project's own, drawn here from circles, boxes and lines.
"""

import math
import os
import struct
import sys
import zlib

W, H = 24, 24  # the size being drawn; the icon sets them to 32
APP_ID = "org.example.quorvel"
PROJECT_TYPE_ICON = "application-x-quorvel-project"  # the desktop's name for the type's icon
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
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
    """Pixels on magenta. Shapes are given in the art's own units; `scale` pixels make one unit, so
    the same art draws at any whole multiple of its size."""

    def __init__(self, scale=1):
        self.s = scale
        self.w, self.h = W * scale, H * scale
        self.px = [[MAGENTA] * self.w for _ in range(self.h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def pixels(self, u0, v0, u1, v1):
        """The pixels whose centres may lie in the unit rectangle, with those centres in units."""
        s = self.s
        for y in range(max(0, math.floor(v0 * s)), min(self.h, math.ceil(v1 * s) + 1)):
            for x in range(max(0, math.floor(u0 * s)), min(self.w, math.ceil(u1 * s) + 1)):
                yield x, y, (x + 0.5) / s, (y + 0.5) / s

    def box(self, x0, y0, x1, y1, fill, edge=None):
        """The cells x0..x1 by y0..y1, their outer cells in the edge colour."""
        s = self.s
        for y in range(y0 * s, (y1 + 1) * s):
            for x in range(x0 * s, (x1 + 1) * s):
                on_edge = x < (x0 + 1) * s or x >= x1 * s or y < (y0 + 1) * s or y >= y1 * s
                self.set(x, y, edge if (edge and on_edge) else fill)

    def disc(self, cx, cy, r, fill, edge=None, width=1.2):
        for x, y, u, v in self.pixels(cx - r, cy - r, cx + r, cy + r):
            d = math.hypot(u - cx, v - cy)
            if d <= r:
                self.set(x, y, edge if (edge and d > r - width) else fill)

    def ring(self, cx, cy, r, width, c):
        for x, y, u, v in self.pixels(cx - r, cy - r, cx + r, cy + r):
            d = math.hypot(u - cx, v - cy)
            if r - width <= d <= r:
                self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=2.0):
        dx, dy = x1 - x0, y1 - y0
        half = width / 2
        for x, y, u, v in self.pixels(min(x0, x1) - half, min(y0, y1) - half, max(x0, x1) + half,
                                      max(y0, y1) + half):
            t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / float(dx * dx + dy * dy)))
            if math.hypot(u - (x0 + t * dx), v - (y0 + t * dy)) <= half:
                self.set(x, y, c)


def folder(p):
    p.box(2, 5, 10, 8, FOLDER, FOLDER_DARK)
    p.box(2, 7, 21, 19, FOLDER, FOLDER_DARK)


def add_folder(scale=1):
    p = Picture(scale)
    folder(p)
    p.disc(17.5, 16.5, 6, GREEN)
    p.line(14.5, 16.5, 20.5, 16.5, PAPER, 2)
    p.line(17.5, 13.5, 17.5, 19.5, PAPER, 2)
    return p


def delete_folder(scale=1):
    p = Picture(scale)
    folder(p)
    p.disc(17.5, 16.5, 6, RED)
    p.line(15, 14, 20, 19, PAPER, 2)
    p.line(20, 14, 15, 19, PAPER, 2)
    return p


def scan_folders(scale=1):
    p = Picture(scale)
    p.box(3, 3, 14, 18, PAPER, GREY)
    p.box(6, 3, 17, 18, PAPER, GREY)
    p.ring(11, 11, 6, 2.2, BLUE)
    p.disc(11, 11, 3.8, (200, 225, 250))
    p.line(15, 15, 21, 21, INK, 3)
    return p


def stop_thread(scale=1):
    p = Picture(scale)
    pts = []
    for k in range(8):
        a = math.pi / 8 + k * math.pi / 4
        pts.append((12 + 10 * math.cos(a), 12 + 10 * math.sin(a)))
    for x, y, u, v in p.pixels(0, 0, W, H):
        inside = all((bx - ax) * (v - ay) - (by - ay) * (u - ax) >= 0
                     for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]))
        if inside:
            p.set(x, y, RED)
    p.box(7, 11, 16, 13, PAPER)
    return p


def cut(scale=1):
    p = Picture(scale)
    p.line(8, 3, 15, 15, GREY, 2)
    p.line(16, 3, 9, 15, GREY, 2)
    p.ring(7, 18, 4, 1.6, RED)
    p.ring(17, 18, 4, 1.6, RED)
    return p


def copy(scale=1):
    p = Picture(scale)
    p.box(3, 2, 14, 16, PAPER, GREY)
    p.box(9, 7, 20, 21, PAPER, BLUE)
    for y in (11, 14, 17):
        p.line(11.5, y + 0.5, 18, y + 0.5, GREY, 1)
    return p


def paste(scale=1):
    p = Picture(scale)
    p.box(4, 4, 19, 21, (190, 140, 80), (130, 90, 40))
    p.box(8, 2, 15, 6, GREY, INK)
    p.box(10, 9, 21, 22, PAPER, BLUE)
    for y in (13, 16, 19):
        p.line(12, y + 0.5, 19.5, y + 0.5, GREY, 1)
    return p


def about(scale=1):
    p = Picture(scale)
    p.disc(12, 12, 10, BLUE)
    p.box(11, 10, 13, 18, PAPER)
    p.disc(12, 6.5, 1.7, PAPER)
    return p


def icon(scale=1):
    global W, H
    W, H = 32, 32
    p = Picture(scale)
    p.box(3, 3, 18, 24, PAPER, GREY)
    p.box(12, 7, 27, 28, PAPER, BLUE)
    for y in (12, 16, 20):
        p.line(15, y + 0.5, 24.5, y + 0.5, GREY, 1.2)
    p.disc(23, 24, 7, GREEN)
    p.line(19.5, 24.5, 22, 27, PAPER, 2.2)
    p.line(22, 27, 26.5, 21, PAPER, 2.2)
    return p


def project_icon(scale=1):
    """A project file: a page listing folders, with the program's check mark."""
    global W, H
    W, H = 32, 32
    p = Picture(scale)
    p.box(5, 1, 24, 30, PAPER, GREY)
    for y in (5, 9):
        p.line(8.5, y + 0.5, 21.5, y + 0.5, GREY, 1.2)
    p.box(8, 13, 13, 15, FOLDER, FOLDER_DARK)
    p.box(8, 15, 21, 23, FOLDER, FOLDER_DARK)
    p.disc(22, 24, 7, GREEN)
    p.line(18.5, 24.5, 21, 27, PAPER, 2.2)
    p.line(21, 27, 25.5, 21, PAPER, 2.2)
    return p


def write_png(path, draw, size):
    """Draws at four (large sizes: two) times the size and averages each block of pixels, magenta
    counting as transparent, so that edges are smooth at every size."""
    k = 4 if size <= 64 else 2
    picture = draw(size * k // 32)
    rows = bytearray()
    for y in range(size):
        rows.append(0)  # no filter
        for x in range(size):
            r = g = b = n = 0
            for py in picture.px[y * k:(y + 1) * k]:
                for c in py[x * k:(x + 1) * k]:
                    if c != MAGENTA:
                        r, g, b, n = r + c[0], g + c[1], b + c[2], n + 1
            rows += bytes((r // n, g // n, b // n, 255 * n // (k * k))) if n else bytes(4)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def write_bmp(path, pictures):
    w, h = pictures[0].w, pictures[0].h
    width = w * len(pictures)
    row_bytes = (width * 3 + 3) & ~3
    data = bytearray()
    for y in reversed(range(h)):  # BMP rows run bottom-up
        row = bytearray()
        for picture in pictures:
            for x in range(w):
                r, g, b = picture.px[y][x]
                row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_ico(path, picture):
    """One 32 x 32 image, 24-bit colour with an AND mask that clears the magenta pixels. Windows
    draws the colours over the masked screen with XOR, so the masked pixels' colour is black:
    magenta there would turn a white background green."""
    rows = bytearray()
    for y in reversed(range(H)):
        for x in range(W):
            r, g, b = (0, 0, 0) if picture.px[y][x] == MAGENTA else picture.px[y][x]
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
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    folder = sys.argv[1]
    toolbar = (add_folder, delete_folder, scan_folders, stop_thread, cut, copy, paste, about)
    write_bmp(os.path.join(folder, "toolbar.bmp"), [draw() for draw in toolbar])
    write_bmp(os.path.join(folder, "toolbar2x.bmp"), [draw(2) for draw in toolbar])
    picture = icon()
    write_bmp(os.path.join(folder, "quorvel.bmp"), [picture])
    write_ico(os.path.join(folder, "quorvel.ico"), picture)
    write_ico(os.path.join(folder, "project.ico"), project_icon())
    if len(sys.argv) == 3:
        for size in ICON_SIZES:
            theme = os.path.join(sys.argv[2], "hicolor", "%dx%d" % (size, size))
            write_png(os.path.join(theme, "apps", APP_ID + ".png"), icon, size)
            write_png(os.path.join(theme, "mimetypes", PROJECT_TYPE_ICON + ".png"), project_icon, size)


if __name__ == "__main__":
    main()
