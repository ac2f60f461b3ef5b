#!/usr/bin/env python3
"""Times quorvel-scan on a home-like tree with and without leaving out .git, node_modules and .cache.

usage: bench/options_bench.py [--runs N] [--work DIR] [--scan PATH] [--files N] [--record FILE]

The tree (made once, from a fixed seed, in the work folder) is a home folder of about --files files:
twenty projects, each with its sources, a .git folder of object files and a node_modules folder of
packages drawn from one pool (so the projects share many identical files), an application cache,
and documents and photos with copies among them. About 80 % of the files sit under .git,
node_modules and .cache. The cache is warmed, then the two scans run in turn, N times each after a
first run of each that is not counted (under quorvel-measure, bench/Measure.cpp), and the medians
and their ratio are printed: the scan that leaves the three out over the full one.
"""

import argparse
import os
import random
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
LEFT_OUT = [".git", "node_modules", ".cache"]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_home(dest, files, seed=7):
    """About `files` files; returns how many were written and how many of them are under LEFT_OUT."""
    rng = random.Random(seed)
    scale = files / 100000.0
    blob = lambda n: rng.randbytes(n)
    packages = [[(("lib/f%d.js" % k), blob(rng.randint(100, 6000))) for k in range(8)] for _ in range(600)]
    written = left = 0
    projects = 20
    for p in range(projects):
        root = os.path.join(dest, "code", "project%d" % p)
        for k in range(int(50 * scale)):
            write(os.path.join(root, "src", "m%d.c" % k), blob(rng.randint(200, 8000)))
        for k in range(int(1000 * scale)):
            name = "%040x" % rng.getrandbits(160)
            write(os.path.join(root, ".git", "objects", name[:2], name[2:]), blob(rng.randint(200, 4000)))
        for pkg in rng.sample(range(len(packages)), int(310 * scale) or 1):
            for rel, data in packages[pkg]:
                write(os.path.join(root, "node_modules", "pkg%d" % pkg, rel), data)
        written += int(50 * scale) + int(1000 * scale) + 8 * (int(310 * scale) or 1)
        left += int(1000 * scale) + 8 * (int(310 * scale) or 1)
    cached = [blob(rng.randint(1000, 20000)) for _ in range(int(7000 * scale))]
    for k in range(int(10000 * scale)):
        write(os.path.join(dest, ".cache", "app%d" % (k % 12), "c%d" % k), rng.choice(cached))
    written += int(10000 * scale)
    left += int(10000 * scale)
    rest = max(0, files - written)
    unique = int(rest * 0.9)
    # Each photo made again from its own seed when copied, so that they need not all be held.
    photo = lambda k: random.Random(1000000 + k).randbytes(20000 + (k * 7919) % 40000)
    for k in range(rest):
        data = photo(k if k < unique else rng.randrange(unique))  # the last tenth are copies
        write(os.path.join(dest, "Pictures", "y%d" % (k % 9), "IMG_%05d.jpg" % k), data)
    return written + rest, left


def run(measure, argv):
    out = subprocess.run([measure, "-"] + argv, capture_output=True, text=True, check=True)
    wall, cpu, peak, _ = out.stderr.split()
    return float(wall), float(cpu), int(peak)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--files", type=int, default=100000)
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "quorvel-bench"))
    ap.add_argument("--scan", default=os.path.join(REPO, "build", "dev", "bin", "quorvel-scan"))
    ap.add_argument("--measure", default=os.path.join(REPO, "build", "dev", "bin", "quorvel-measure"))
    ap.add_argument("--record", metavar="FILE", help="append the table to FILE (Markdown)")
    args = ap.parse_args()
    tree = os.path.join(args.work, "home-%d" % args.files)
    if not os.path.exists(tree + ".done"):
        subprocess.run(["rm", "-rf", "--one-file-system", tree], check=True)
        total, left = make_home(tree, args.files)
        with open(tree + ".done", "w") as f:
            f.write("%d %d\n" % (total, left))
    total, left = map(int, open(tree + ".done").read().split())
    subprocess.run(["bash", "-c", "find \"$1\" -type f -print0 | xargs -0 cat > /dev/null", "-", tree], check=True)
    excludes = sum((["--exclude", name] for name in LEFT_OUT), [])
    scans = {"full": [args.scan, tree], "left out": [args.scan] + excludes + [tree]}
    figures = {name: [] for name in scans}
    for attempt in range(args.runs + 1):
        for name, argv in scans.items():
            wall, cpu, peak = run(args.measure, argv)
            if attempt > 0:
                figures[name].append((wall, cpu, peak))
    lines = ["%d files, %d (%.0f %%) under %s; %d runs each, warm, medians" % (
                 total, left, 100.0 * left / total, ", ".join(LEFT_OUT), args.runs), "",
             "| scan | median wall | median CPU | peak memory |", "|---|---|---|---|"]
    for name, runs in figures.items():
        lines.append("| %s | %.3f s | %.3f s | %.1f MiB |" % (
            name, statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs),
            max(r[2] for r in runs) / 1024))
    ratio = statistics.median(r[0] for r in figures["left out"]) / statistics.median(r[0] for r in figures["full"])
    lines += ["", "- left out over full: %.2f x" % ratio]
    print("\n".join(lines))
    if args.record:
        with open(args.record, "a") as f:
            f.write("\n" + "\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
