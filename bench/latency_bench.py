#!/usr/bin/env python3
"""Times scans through a file system whose every request waits, as on a share a round trip away.

usage: bench/latency_bench.py [--work DIR] [--scan BIN] [--before BIN] [--runs N] [--before-runs N]
                              [--files N] [--peer-files N] [--peers T,...] [--cap SECONDS]
                              [--delays MS,...] [--record FILE]

bench/latfs.c (built here as quorvel-latfs) serves a tree read-only and sleeps the given delay in
every look-up, listing, open and read, with the kernel told to cache nothing (--cache-s=0), so that
every name the scan asks for is a request. For each delay (0 and 1 ms by default) it mounts the tree
of about --files files (shared/bench/make_tree.py many-small, about 20 files a folder), runs the
scan N times, and prints the median wall time, the requests latfs counted per listed file, and the
most requests it saw in flight at once (it prints its counts on SIGUSR1). --before runs a second
scan program beside it the same way, --before-runs times (an older build, for before/after figures). Every scan's groups
are checked against the oracle (shared/bench/expected_groups.py) on the tree itself. At the last
delay the scan is stopped (SIGINT) --stops seconds after its start, three times each, and the time
to its end is printed. Then jdupes
and rdfind are timed, once each, with quorvel-scan beside them, on a tree of --peer-files files
through the same mount at the last delay; a run over --cap seconds is killed and reported as
capped. Trees are made once and kept in the work folder. Needs root (to mount) and /dev/fuse.
"""

import argparse
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
SHARED = next((p for p in (os.path.join(os.path.dirname(REPO), "shared", "bench"),
                           os.path.join(os.path.dirname(os.path.dirname(REPO)), "shared", "bench"))
               if os.path.isdir(p)), os.path.join(os.path.dirname(REPO), "shared", "bench"))
FUSE_MAGIC = 0x65735546


def make_tree(files, work):
    scale = files / 100000.0
    dest = os.path.join(work, "many-small-%g" % scale)
    if not os.path.exists(dest + ".done"):
        subprocess.run(["rm", "-rf", "--one-file-system", dest], check=True)
        subprocess.run([sys.executable, os.path.join(SHARED, "make_tree.py"), "many-small", dest,
                        "--scale", str(scale)], check=True, stdout=subprocess.DEVNULL)
        open(dest + ".done", "w").close()
    return dest


def oracle(tree):
    groups = tree + ".groups"
    if not os.path.exists(groups):
        with open(groups + ".tmp", "wb") as out:
            subprocess.run([sys.executable, os.path.join(SHARED, "expected_groups.py"), tree],
                           stdout=out, stderr=subprocess.DEVNULL, check=True)
        os.rename(groups + ".tmp", groups)
    return groups


class Mount:
    """The tree at a fresh mount point through latfs, every request waiting `delay` ms."""

    def __init__(self, latfs, tree, delay, work):
        self.point = tempfile.mkdtemp(prefix="latfs-", dir=work)
        self.log = open(os.path.join(work, "latfs.log"), "w+")
        self.proc = subprocess.Popen([latfs, "--src=" + tree, "--delay-ms=%g" % delay, "--cache-s=0",
                                      self.point, "-f", "-o", "max_threads=128"],
                                     stdout=subprocess.DEVNULL, stderr=self.log)
        deadline = time.monotonic() + 10
        while not self.mounted():
            if self.proc.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("latfs did not mount %s" % self.point)
            time.sleep(0.05)

    def mounted(self):
        try:
            out = subprocess.run(["stat", "-f", "-c", "%t", self.point], capture_output=True, text=True)
            return int(out.stdout.strip(), 16) == FUSE_MAGIC
        except ValueError:
            return False

    def counts(self):
        """The counts since the last call: {"all": (requests, most in flight), "getattr": ...}."""
        self.log.seek(0, os.SEEK_END)
        end = self.log.tell()
        self.proc.send_signal(signal.SIGUSR1)
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            self.log.seek(end)
            line = self.log.readline()
            if line.endswith("\n"):
                words = line.split()
                return {words[i].split("=")[0]: (int(words[i].split("=")[1]), int(words[i + 1].split("=")[1]))
                        for i in range(0, len(words), 2)}
            time.sleep(0.02)
        raise RuntimeError("latfs gave no counts")

    def close(self):
        subprocess.run(["umount", self.point], check=False)
        self.proc.wait(timeout=30)
        os.rmdir(self.point)


def timed(argv, out_path, cap, cwd):
    """(wall seconds, capped)."""
    start = time.monotonic()
    with open(out_path, "wb") as out:
        proc = subprocess.Popen(argv, stdout=out, stderr=subprocess.DEVNULL, cwd=cwd, start_new_session=True)
        try:
            proc.wait(timeout=cap)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            return cap, True
    return time.monotonic() - start, False


def same_groups(result, mount_point, tree, groups):
    """The result's groups, with the mount point put back to the tree, equal the oracle's."""
    with open(result) as f:
        text = f.read().replace(mount_point, tree)
    fixed = result + ".tree"
    with open(fixed, "w") as f:
        f.write(text)
    proc = subprocess.run([sys.executable, os.path.join(SHARED, "expected_groups.py"), tree,
                           "--compare", fixed], capture_output=True, text=True)
    return proc.returncode == 0


def stop_delay(scan, point, after, cwd):
    """Milliseconds from SIGINT, sent `after` seconds into a scan, to the scan's end (None when the
    scan ended first)."""
    proc = subprocess.Popen([scan, point], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=cwd)
    try:
        proc.wait(timeout=after)
        return None
    except subprocess.TimeoutExpired:
        pass
    sent = time.monotonic()
    proc.send_signal(signal.SIGINT)
    proc.wait()
    return (time.monotonic() - sent) * 1000


def peer_command(tool, point, out_dir, scan):
    if tool == "jdupes":
        return ["jdupes", "-r", "-q", point]
    if tool == "rdfind":
        return ["rdfind", "-dryrun", "true", "-outputname", os.path.join(out_dir, "rdfind.txt"), point]
    return [scan, point]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "quorvel-latency-bench"))
    ap.add_argument("--scan", default=os.path.join(REPO, "build", "release", "bin", "quorvel-scan"))
    ap.add_argument("--before", help="another quorvel-scan to time beside --scan")
    ap.add_argument("--latfs", default=None, help="default: quorvel-latfs beside --scan")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--before-runs", type=int, default=1, help="runs of --before (slow at 1 ms)")
    ap.add_argument("--files", type=int, default=20000)
    ap.add_argument("--peer-files", type=int, default=5000)
    ap.add_argument("--peers", default="jdupes,rdfind")
    ap.add_argument("--delays", default="0,1")
    ap.add_argument("--cap", type=float, default=900.0)
    ap.add_argument("--stops", default="0.5,1.5,3", help="seconds into a scan to stop it (at the last delay)")
    ap.add_argument("--record", metavar="FILE", help="append the table to FILE (Markdown)")
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)
    latfs = args.latfs or os.path.join(os.path.dirname(args.scan), "quorvel-latfs")
    delays = [float(d) for d in args.delays.split(",")]
    scans = [("quorvel", args.scan)] + ([("quorvel before", args.before)] if args.before else [])

    lines = ["| scan | delay | files | wall (median) | requests | per file | most in flight | groups |",
             "|---|---|---|---|---|---|---|---|"]
    tree = make_tree(args.files, args.work)
    groups = oracle(tree)
    files = sum(len(f) for _, _, f in os.walk(tree))
    walls = {}
    for delay in delays:
        for name, scan in scans:
            mount = Mount(latfs, tree, delay, args.work)
            try:
                times, counts, ok = [], [], True
                for run in range(args.runs if name == "quorvel" else args.before_runs):
                    mount.counts()
                    result = os.path.join(args.work, "result.txt")
                    wall, capped = timed([scan, mount.point], result, args.cap, args.work)
                    counts.append(mount.counts())
                    times.append(wall)
                    ok = ok and not capped and same_groups(result, mount.point, tree, groups)
                    if capped:
                        break
            finally:
                mount.close()
            wall = statistics.median(times)
            walls[(name, delay)] = wall
            total = counts[-1]["all"][0]
            lines.append("| %s | %g ms | %d | %.2f s | %d | %.1f | %d | %s |" % (
                name, delay, files, wall, total, total / files, max(c["all"][1] for c in counts),
                "same" if ok else "DIFFERENT"))
            print(lines[-1], flush=True)
    for name, _ in scans:
        if (name, 0.0) in walls and (name, delays[-1]) in walls and delays[-1] != 0:
            lines.append("")
            lines.append("%s at %g ms over its time at 0 ms: %.1fx" % (
                name, delays[-1], walls[(name, delays[-1])] / walls[(name, 0.0)]))
            print(lines[-1], flush=True)

    # How soon a stop is honoured while the walk lists folders and while the rounds read.
    if delays[-1] != 0 and args.stops:
        mount = Mount(latfs, tree, delays[-1], args.work)
        try:
            waits = []
            for after in (float(a) for a in args.stops.split(",")):
                for _ in range(3):
                    waits.append((after, stop_delay(args.scan, mount.point, after, args.work)))
        finally:
            mount.close()
        lines.append("")
        lines.append("stop at %g ms, ms from SIGINT to the end: %s" % (delays[-1], ", ".join(
            "%g s: %s" % (a, "ended first" if w is None else "%.1f" % w) for a, w in waits)))
        print(lines[-1], flush=True)

    peers = [p for p in args.peers.split(",") if p]
    if peers:
        small = make_tree(args.peer_files, args.work)
        small_files = sum(len(f) for _, _, f in os.walk(small))
        lines += ["", "| tool | delay | files | wall | requests | most in flight |", "|---|---|---|---|---|---|"]
        for tool in ["quorvel"] + peers:
            mount = Mount(latfs, small, delays[-1], args.work)
            try:
                mount.counts()
                wall, capped = timed(peer_command(tool, mount.point, args.work, args.scan),
                                     os.path.join(args.work, tool + ".out"), args.cap, args.work)
                count = mount.counts()
            finally:
                mount.close()
            lines.append("| %s | %g ms | %d | %s | %d | %d |" % (
                tool, delays[-1], small_files, (">%.0f s (capped)" % wall) if capped else "%.2f s" % wall,
                count["all"][0], count["all"][1]))
            print(lines[-1], flush=True)
    if args.record:
        with open(args.record, "a") as f:
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
