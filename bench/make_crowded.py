#!/usr/bin/env python3
"""Make the "crowded" benchmark tree: one large class of files that agree in their first and last
4 KiB and differ only in the middle.

usage: make_crowded.py DEST [--scale F]

5,000 files at scale 1 (the count scales, not the size) of 1 MiB each, with one extension, in 50
folders. Every file is sparse: its first and last 4 KiB are the same random bytes in all files,
and 8 bytes in the middle hold a number shared by exactly two files, so the tree holds 2,500 pairs
of duplicates and every exact method must read every byte. The last line printed is a summary
like make_tree.py's.
"""

import argparse
import os
import random

MIB = 1 << 20
EDGE = 4096
MTIME = 1_600_000_000


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dest")
    ap.add_argument("--scale", type=float, default=1.0)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    rng = random.Random(a.seed)
    files = int(round(5000 * a.scale)) // 2 * 2
    head = rng.randbytes(EDGE)
    tail = rng.randbytes(EDGE)
    os.makedirs(a.dest)
    for folder in range(50):
        os.mkdir(os.path.join(a.dest, "d%02d" % folder))
    order = list(range(files))
    rng.shuffle(order)
    for n, index in enumerate(order):
        path = os.path.join(a.dest, "d%02d" % (n % 50), "f%06d.dat" % n)
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        try:
            os.ftruncate(fd, MIB)
            os.pwrite(fd, head, 0)
            os.pwrite(fd, (index // 2).to_bytes(8, "little"), MIB // 2)
            os.pwrite(fd, tail, MIB - EDGE)
        finally:
            os.close(fd)
        os.utime(path, ns=(MTIME * 10**9, MTIME * 10**9))
    print("make_crowded: scale=%g files=%d bytes=%d folders=50 expected_groups=%d "
          "expected_files_in_groups=%d" % (a.scale, files, files * MIB, files // 2, files))


if __name__ == "__main__":
    main()
