#!/usr/bin/env python3
"""Times quorvel-scan against fdupes, jdupes, rdfind and rmlint on generated trees.

usage: bench/run_bench.py [--scale F] [--runs N] [--cap SECONDS] [--profiles P,...]
                          [--tools T,...] [--work DIR] [--growth K] [--record FILE] [--cold]

For each profile it makes the tree once (shared/bench/make_tree.py, cached in the work folder),
checks that quorvel-scan finds exactly the oracle's groups (shared/bench/expected_groups.py),
warms the cache, then runs every tool N times in turn (alternately, so that drifts of the machine
hit all alike) under quorvel-measure (bench/Measure.cpp), and prints the median wall time, the
median CPU time (user + system) and the peak memory of each, and quorvel-scan's ratio to the
fastest peer. Beside them it prints the floor: the median time of bench/Floor.cpp listing the tree
and reading exactly the bytes that any exact method must read (the oracle's groups tell which),
and quorvel-scan's time over it. The profile "crowded" (bench/make_crowded.py: one wide class of
sparse 1 MiB files equal but for a few middle bytes, in pairs) runs only when named, and so does
"million": many-small at scale 10 (1,000,000 files), whatever --scale says. Any profile may be
named as PROFILE@SCALE to fix its scale. Trees are made once and kept in the work folder. A run over
the cap is killed and reported as capped. With --cold the page cache is dropped before every
run (sync, then 3 into /proc/sys/vm/drop_caches, as root) instead of warmed; where that is refused
the runs stay warm and the table says so. With --growth K the profiles of --growth-profiles are run again at K times the
scale, and each tool's time there is given as a multiple of its time at the first scale. Every
tool writes its result file into a temporary folder; nothing is deleted.
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
# Beside the checkout, or beside the folder of worktrees that holds it.
SHARED = next((p for p in (os.path.join(os.path.dirname(REPO), "shared", "bench"),
                           os.path.join(os.path.dirname(os.path.dirname(REPO)), "shared", "bench"))
               if os.path.isdir(p)), os.path.join(os.path.dirname(REPO), "shared", "bench"))
PROFILES = ["many-small", "same-size", "late-diff", "large"]  # "crowded" is run when asked for
ALIASES = {"million": "many-small@10"}  # made once (about two minutes) and reused
PEERS = ["fdupes", "jdupes", "rdfind", "rmlint"]


def command(tool, tree, out_dir, scan_binary):
    """(argv, result file) of one tool in report-only mode; every result goes under out_dir."""
    result = os.path.join(out_dir, tool + ".txt")
    if tool == "quorvel":
        return [scan_binary, tree], result
    if tool == "fdupes":
        return ["fdupes", "-r", "-q", tree], result
    if tool == "jdupes":
        return ["jdupes", "-r", "-q", tree], result
    if tool == "rdfind":
        return ["rdfind", "-dryrun", "true", "-outputname", result, tree], None
    if tool == "rmlint":
        # Never a device as output: rmlint renames an existing output file before writing its own.
        return ["rmlint", "--types=duplicates", "--hidden", "-o", "fdupes:" + result, tree], None
    raise ValueError(tool)


def run_once(argv, stdout_path, cwd, cap, measure):
    """(wall seconds, cpu seconds, peak KiB, capped) of one run.

    quorvel-measure starts the tool and times it from fork to exit, so the figures carry none of
    this script's own start-up cost, and its peak memory starts from the small measuring process,
    not from this one."""
    proc = subprocess.Popen([measure, stdout_path or "-"] + argv, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, cwd=cwd, start_new_session=True)
    try:
        _, err = proc.communicate(timeout=cap)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.communicate()
        return cap, cap, 0, True
    wall, cpu, peak, _ = err.decode().split()
    return float(wall), float(cpu), int(peak), False


def ensure_peers(tools):
    missing = [t for t in tools if t != "quorvel" and
               subprocess.run(["which", t], capture_output=True).returncode != 0]
    if missing:
        subprocess.run(["bash", os.path.join(REPO, "scripts", "deps.sh")] + missing, check=True)


def make_tree(profile, scale, work):
    profile = ALIASES.get(profile, profile)
    if "@" in profile:
        profile, fixed = profile.split("@")
        scale = float(fixed)
    dest = os.path.join(work, "%s-%g" % (profile, scale))
    if os.path.isdir(dest) and os.path.exists(dest + ".done"):
        return dest
    if os.path.isdir(dest):
        subprocess.run(["rm", "-rf", "--one-file-system", dest], check=True)
    if profile == "crowded":  # ours: one wide class of sparse files (bench/make_crowded.py)
        subprocess.run([sys.executable, os.path.join(HERE, "make_crowded.py"), dest,
                        "--scale", str(scale)], check=True)
    else:
        subprocess.run([sys.executable, os.path.join(SHARED, "make_tree.py"), profile, dest,
                        "--scale", str(scale)], check=True)
    open(dest + ".done", "w").close()
    return dest


def check_groups(tree, result):
    proc = subprocess.run([sys.executable, os.path.join(SHARED, "expected_groups.py"), tree,
                           "--compare", result], capture_output=True, text=True)
    return proc.returncode == 0, proc.stdout.strip()


def drop_caches(args):
    """Empties the page cache before a cold run; False (and cold runs end) where that is refused."""
    if not args.cold:
        return False
    try:
        subprocess.run(["sync"], check=True)
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError as e:
        print("run_bench: cannot drop the page cache (%s); the runs are warm" % e, file=sys.stderr)
        args.cold = False
        args.cold_refused = True
        return False


def warm(tree):
    subprocess.run(["bash", "-c", "find \"$1\" -type f -print0 | xargs -0 cat > /dev/null", "-", tree],
                   check=True)


def floor_time(tree, args):
    """Median seconds of quorvel-floor on the tree: listing it and reading exactly the bytes that an
    exact method must read, on two threads (bench/Floor.cpp); None without the tool."""
    if not os.access(args.floor, os.X_OK):
        return None
    groups = tree + ".groups"
    if not os.path.exists(groups):
        with open(groups + ".tmp", "wb") as out:
            subprocess.run([sys.executable, os.path.join(SHARED, "expected_groups.py"), tree],
                           stdout=out, stderr=subprocess.DEVNULL, check=True)
        os.rename(groups + ".tmp", groups)
    times = []
    for run in range(args.runs + 1):
        out = subprocess.run([args.floor, tree, groups] + (["--cold"] if args.cold else []),
                             capture_output=True, text=True, check=True)
        if run > 0:
            times.append(float(out.stdout.split()[0]))
    return statistics.median(times)


def fmt_time(values, capped, cap):
    if capped:
        return ">%.0f s (capped)" % cap
    return "%.3f s" % statistics.median(values)


def bench_profile(profile, args, scan_binary, scale=None):
    tree = make_tree(profile, args.scale if scale is None else scale, args.work)
    if not args.cold:
        warm(tree)
    out_dir = tempfile.mkdtemp(prefix="results-", dir=args.work)
    figures = {t: {"wall": [], "cpu": [], "rss": [], "capped": False} for t in args.tools}
    correct = "not checked"
    for run in range(args.runs + 1):  # run 0 warms each tool and is not counted
        for tool in args.tools:
            if figures[tool]["capped"]:
                continue
            argv, result = command(tool, tree, out_dir, scan_binary)
            drop_caches(args)
            wall, cpu, rss, capped = run_once(argv, result, out_dir, args.cap, args.measure)
            if capped:
                figures[tool]["capped"] = True
                continue
            if tool == "quorvel" and run == 0:
                ok, report = check_groups(tree, result)
                correct = "yes" if ok else "NO"
                if not ok:
                    print(report, file=sys.stderr)
            if run > 0:
                figures[tool]["wall"].append(wall)
                figures[tool]["cpu"].append(cpu)
                figures[tool]["rss"].append(rss)
    figures["floor"] = floor_time(tree, args)
    return figures, correct


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--scale", type=float, default=1.0)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--cap", type=float, default=120.0, help="seconds before a run is killed")
    ap.add_argument("--profiles", default=",".join(PROFILES))
    ap.add_argument("--tools", default="quorvel," + ",".join(PEERS))
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "quorvel-bench"))
    ap.add_argument("--scan", default=os.path.join(REPO, "build", "dev", "bin", "quorvel-scan"))
    ap.add_argument("--growth", type=float, default=0,
                    help="also run --growth-profiles at this multiple of the scale and print "
                         "how much longer each tool takes")
    ap.add_argument("--growth-profiles", default="same-size,late-diff")
    ap.add_argument("--measure", default=os.path.join(REPO, "build", "dev", "bin", "quorvel-measure"))
    ap.add_argument("--cold", action="store_true",
                    help="drop the page cache (as root) before every run instead of warming it")
    ap.add_argument("--floor", default=os.path.join(REPO, "build", "dev", "bin", "quorvel-floor"))
    ap.add_argument("--record", metavar="FILE", help="append the table to FILE (Markdown)")
    args = ap.parse_args()
    args.tools = args.tools.split(",")
    os.makedirs(args.work, exist_ok=True)
    ensure_peers(args.tools)
    for binary in ([args.scan] if "quorvel" in args.tools else []) + [args.measure]:
        if not os.access(binary, os.X_OK):
            sys.exit("run_bench: %s is missing; build it first (cmake --preset dev && cmake --build --preset dev)" % binary)

    lines = ["| profile | tool | median wall | median CPU | peak memory | groups as oracle |",
             "|---|---|---|---|---|---|"]
    ratios = []
    medians = {}
    for profile in args.profiles.split(","):
        figures, correct = bench_profile(profile, args, args.scan)
        floor = figures.pop("floor")
        medians[profile] = {t: statistics.median(f["wall"]) for t, f in figures.items()
                            if f["wall"] and not f["capped"]}
        if floor is not None:
            lines.append("| %s | floor | %.3f s | | | |" % (profile, floor))
        for tool in args.tools:
            f = figures[tool]
            wall = fmt_time(f["wall"], f["capped"], args.cap)
            cpu = "-" if f["capped"] else "%.3f s" % statistics.median(f["cpu"])
            rss = "-" if f["capped"] or not f["rss"] else "%.1f MiB" % (max(f["rss"]) / 1024)
            lines.append("| %s | %s | %s | %s | %s | %s |" % (
                profile, tool, wall, cpu, rss, correct if tool == "quorvel" else ""))
        peers = [(statistics.median(figures[t]["wall"]), t) for t in args.tools
                 if t != "quorvel" and not figures[t]["capped"] and figures[t]["wall"]]
        if "quorvel" in args.tools and peers:
            best, name = min(peers)
            q = figures["quorvel"]
            if q["capped"]:
                ratios.append("%s: quorvel-scan capped at %.0f s; fastest peer %s %.3f s" % (
                    profile, args.cap, name, best))
            else:
                qm = statistics.median(q["wall"])
                jd = [max(figures[t]["rss"]) for t in args.tools if t == "jdupes" and figures[t]["rss"]]
                mem = (" ; memory %.2f x jdupes" % (max(q["rss"]) / jd[0])) if jd else ""
                over = (" ; %.2f x the floor (%.3f s)" % (qm / floor, floor)) if floor else ""
                ratios.append("%s: quorvel-scan %.3f s = %.2f x fastest peer (%s %.3f s)%s%s" % (
                    profile, qm, qm / best, name, best, mem, over))
        print("\n".join(lines[-len(args.tools) - (floor is not None):]), flush=True)

    growth = []
    if args.growth:
        big = args.scale * args.growth
        growth = ["", "Growth at %g times the scale (%g): median wall time, and that time over the "
                      "time at scale %g" % (args.growth, big, args.scale), "",
                  "| profile | tool | median wall | groups as oracle | growth |", "|---|---|---|---|---|"]
        for profile in args.growth_profiles.split(","):
            figures, correct = bench_profile(profile, args, args.scan, big)
            figures.pop("floor")
            for tool in args.tools:
                f = figures[tool]
                base = medians.get(profile, {}).get(tool)
                grew = ("%.2f x" % (statistics.median(f["wall"]) / base)) if base and f["wall"] else "-"
                growth.append("| %s | %s | %s | %s | %s |" % (
                    profile, tool, fmt_time(f["wall"], f["capped"], args.cap),
                    correct if tool == "quorvel" else "", grew))
            print("\n".join(growth[-len(args.tools):]), flush=True)

    header = "scale %g, %d runs each (medians), cap %.0f s, %s, %s cache" % (
        args.scale, args.runs, args.cap, time.strftime("%Y-%m-%d"),
        "cold" if args.cold else "warm (cold refused)" if getattr(args, "cold_refused", False) else "warm")
    table = "\n".join([header, ""] + lines + [""] + ["- " + r for r in ratios] + growth)
    print("\n" + table)
    if args.record:
        with open(args.record, "a") as f:
            f.write("\n" + table + "\n")


if __name__ == "__main__":
    main()
