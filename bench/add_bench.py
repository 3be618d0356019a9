#!/usr/bin/env python3
"""What `hxf add` costs: one small file put into a 1 GiB package, against `cat` of that package
into a new file with an fsync, which is the least any tool that rewrites the package can cost. The
add copies every record through, writes the small file and replaces the package atomically, which
includes making it durable before the rename.

    bench/add_bench.py [--hxf build-bench/bin/hxf] [--scratch DIR] [--size-mib 1024] [--runs 3]

It prints a small table of median wall-clock seconds and the ratio. The page cache is left warm:
both read the same package, so both read it from memory after the first run.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time


def timed(argv):
    start = time.monotonic()
    subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def make_package(hxf, work, size_mib):
    """A package of `size_mib` MiB made by hxf from a tree of 64 MiB files of random bytes."""
    tree = os.path.join(work, "tree")
    os.makedirs(tree)
    chunk = 64
    for i in range(max(1, size_mib // chunk)):
        with open(os.path.join(tree, f"part{i:03}.bin"), "wb") as out:
            out.write(os.urandom(chunk << 20))
    package = os.path.join(work, "big.hxf")
    subprocess.run([hxf, "-q", "pack", package, "-C", tree], check=True)
    shutil.rmtree(tree)
    return package


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--hxf", default="build-bench/bin/hxf")
    parser.add_argument("--scratch", default=None, help="folder for the package (default: /tmp)")
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    hxf = os.path.abspath(args.hxf)

    work = tempfile.mkdtemp(prefix="hxf-add-bench-", dir=args.scratch)
    try:
        package = make_package(hxf, work, args.size_mib)
        small = os.path.join(work, "small")
        os.makedirs(small)
        with open(os.path.join(small, "new.txt"), "wb") as out:
            out.write(b"a small file\n")
        copy = os.path.join(work, "copy.hxf")
        cat = ["sh", "-c", 'cat "$1" > "$2" && sync "$2"', "sh", package, copy]
        # Each add puts the same file in again: it replaces its own entry, the same work each time.
        add = [hxf, "-q", "add", package, "-C", small, "new.txt"]
        timed(cat)  # warms the page cache for both
        times = {"cat+fsync": [], "hxf add": []}
        for _ in range(args.runs):
            times["cat+fsync"].append(timed(cat))
            os.remove(copy)
            times["hxf add"].append(timed(add))
        size = os.path.getsize(package) / (1 << 20)
        cat_median = statistics.median(times["cat+fsync"])
        print(f"one small file into a {size:.0f} MiB package, median of {args.runs} runs")
        print(f"{'job':<12}{'seconds':>10}{'x cat+fsync':>14}")
        for job, values in times.items():
            median = statistics.median(values)
            print(f"{job:<12}{median:>10.2f}{median / cat_median:>14.2f}")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
