#!/usr/bin/env python3
"""Times `hxf pack` and `hxf unpack` against tar and cat on three generated trees.

Builds a Release hxf (unless --hxf names a binary), generates the trees once in a scratch
directory (kept for later runs), then runs every job --runs times, interleaved: each round runs
every job of every tree once, so background load falls on our jobs and their references alike.
Prints the median wall time of each job, its ratio to its references from the same rounds, and the
peak memory (maximum resident set, from GNU time) of each of our runs. Finally runs the checksum and record
reader microbenchmarks.

The page cache is warm: every input has just been written or read when a job reads it, for our
jobs and the references alike. --drop-caches drops the caches (as root) before every job instead.
Before every job the disk is synced, so no job pays for another's delayed writes; a job's own
writes are counted only as far as it waits for them (hxf pack makes the package durable before it
replaces the old one; cat and tar do not, so "cat+fsync" is shown beside them). Outputs of many
files are deleted only after the last round, and the rounds start a minute after the last
such deletion (see SETTLE_SECONDS).
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parent.parent
KIB = 1024
MIB = 1024 * KIB
GIB = 1024 * MIB


# --- trees -------------------------------------------------------------------------------------

class Noise:
    """Incompressible bytes, fast enough for a gigabyte: slices of one random block."""

    def __init__(self, seed):
        self.block = random.Random(seed).randbytes(4 * MIB)
        self.offset = 0

    def write(self, path, size):
        with open(path, "wb") as out:
            while size > 0:
                take = min(size, len(self.block) - self.offset)
                out.write(memoryview(self.block)[self.offset:self.offset + take])
                size -= take
                self.offset = (self.offset + take * 7 + 13) % (len(self.block) - 1)


def make_big(root, noise):
    noise.write(root / "firmware.bin", GIB)


def make_small(root, noise):
    choose = random.Random(20000)
    for d in range(50):
        directory = root / f"DIR{d:02d}"
        directory.mkdir()
        for f in range(400):
            noise.write(directory / f"file{f:03d}.dat", choose.randint(0, 8 * KIB))


def make_firmware(root, noise):
    """About 200 MiB in a few hundred files of 1 KiB to 20 MiB, nested three deep."""
    choose = random.Random(200)
    directories = [Path(a) / b / c for a in ("SYSTEM", "RES", "APP", "DATA")
                   for b in ("FONT", "IMAGE", "LIB") for c in ("A", "B")]
    for directory in directories:
        (root / directory).mkdir(parents=True)
    # Log-uniform sizes, most files small and a few large, scaled to the total.
    sizes = [int(KIB * 20480 ** choose.random()) for _ in range(300)]
    scale = 200 * MIB / sum(sizes)
    sizes = [max(KIB, min(20 * MIB, int(s * scale))) for s in sizes]
    for i, size in enumerate(sizes):
        where = root / directories[i % len(directories)] if i % 5 else root / directories[i % 4].parts[0]
        noise.write(where / f"part{i:03d}.bin", size)


TREES = {
    "1 GiB file": ("big", make_big),
    "20,000 small files": ("small", make_small),
    "firmware, 200 MiB": ("firmware", make_firmware),
}


# ext4 without a journal passes over inodes deleted in the last minute when it allocates new ones
# (five if their inode table is not yet on disk), so a job that creates thousands of files right
# after thousands were deleted runs several times slower.
SETTLE_SECONDS = 61


def note_deletions(scratch):
    (scratch / ".deleted").touch()


def wait_after_deletions(scratch):
    marker = scratch / ".deleted"
    if marker.exists():
        left = marker.stat().st_mtime + SETTLE_SECONDS - time.time()
        if left > 0:
            print(f"waiting {left:.0f} s for recent deletions to settle", file=sys.stderr)
            time.sleep(left)


def tree_files(root):
    """The files of a tree, in a fixed order, and their total size."""
    files = sorted(str(p) for p in root.rglob("*") if p.is_file())
    return files, sum(os.path.getsize(f) for f in files)


def generate(scratch, label, noise):
    name, make = TREES[label]
    root = scratch / name / "tree"
    done = scratch / name / ".complete"
    if not done.exists():
        shutil.rmtree(scratch / name, ignore_errors=True)
        root.mkdir(parents=True)
        print(f"generating {label} in {root}", file=sys.stderr)
        make(root, noise)
        done.touch()
    return root


# --- running -----------------------------------------------------------------------------------

PEAK_FILE = Path("/tmp") / f"hxf-bench-peak-{os.getpid()}"


def run(argv, stdout=None, drop_caches=False):
    """Runs argv; returns (seconds, CPU seconds, peak resident KiB).

    GNU time reports the peak: the resident size of a child forked straight from this script
    would count the interpreter's pages, which the fork copies, as the child's own.
    """
    os.sync()
    if drop_caches:
        Path("/proc/sys/vm/drop_caches").write_text("3\n")
    out = open(stdout, "wb") if stdout else subprocess.DEVNULL
    try:
        start = time.perf_counter()
        result = subprocess.run(["/usr/bin/time", "-f", "%M %U %S", "-o", str(PEAK_FILE)] + argv,
                                stdout=out, stderr=subprocess.PIPE)
        seconds = time.perf_counter() - start
    finally:
        if stdout:
            out.close()
    if result.returncode != 0:
        sys.exit(f"{' '.join(argv)} failed ({result.returncode}): "
                 f"{result.stderr.decode(errors='replace')}")
    peak_kib, user, system = PEAK_FILE.read_text().split()[-3:]
    PEAK_FILE.unlink()
    return seconds, float(user) + float(system), int(peak_kib)


def clean(path):
    if path.is_dir():
        shutil.rmtree(path)
    elif path.exists():
        path.unlink()


class Job:
    def __init__(self, name, make_argv, output, stdout=None, make_output_dir=False, kind=None):
        self.name, self.kind, self.ours = name, kind, kind is not None
        self.make_argv, self.output, self.stdout = make_argv, output, stdout
        self.make_output_dir = make_output_dir
        self.seconds, self.cpu_seconds, self.peak_kib = [], [], []
        # Deleting thousands of files slows the creation of the next thousands: ext4 passes over
        # inodes deleted in the last minute when it allocates. Outputs of many files are
        # therefore set aside, and deleted only once every round has run.
        self.defer_cleanup = False

    def run_once(self, drop_caches):
        clean(self.output)
        if self.make_output_dir:
            self.output.mkdir(parents=True)
        seconds, cpu_seconds, peak = run(self.make_argv(), self.stdout, drop_caches)
        self.seconds.append(seconds)
        self.cpu_seconds.append(cpu_seconds)
        self.peak_kib.append(peak)
        if self.defer_cleanup:
            self.output.rename(self.output.with_name(f"{self.output.name}.{len(self.seconds)}"))
        else:
            clean(self.output)

    def median(self):
        return statistics.median(self.seconds)


def jobs_for(root, work, variants):
    """The jobs on one tree: ours for every variant of hxf, and the references."""
    files, size = tree_files(root)
    file_list = work / "files.list"
    file_list.write_bytes(b"\0".join(f.encode() for f in files) + b"\0")
    # The inputs of the unpacking jobs, made once.
    package, archive = work / "input.hxf", work / "input.tar"
    run([variants[0][1], "pack", "-q", "-C", str(root), str(package)])
    run(["tar", "cf", str(archive), "-C", str(root), "."])

    out_tar, out_cat, out_untar = work / "out.tar", work / "out.cat", work / "out_tar"
    ours = []
    for name, hxf in variants:
        suffix = f" ({name})" if len(variants) > 1 else ""
        out_package, out_unpack = work / f"out-{name}.hxf", work / f"out_hxf-{name}"
        ours.append(Job("hxf pack" + suffix, lambda hxf=hxf, out=out_package: [
            hxf, "pack", "-q", "-C", str(root), str(out)], out_package, kind="pack"))
        ours.append(Job("hxf unpack" + suffix, lambda hxf=hxf, out=out_unpack: [
            hxf, "unpack", "-q", "-C", str(out), str(package)], out_unpack, kind="unpack"))
    references = [
        Job("tar cf", lambda: ["tar", "cf", str(out_tar), "-C", str(root), "."], out_tar),
        Job("cat", lambda: ["xargs", "-0", "-a", str(file_list), "cat"], out_cat,
            stdout=out_cat),
        Job("cat+fsync", lambda: ["sh", "-c", 'xargs -0 -a "$1" cat > "$2" && sync "$2"', "sh",
                                  str(file_list), str(out_cat)], out_cat),
        Job("tar xf", lambda: ["tar", "xf", str(archive), "-C", str(out_untar)], out_untar,
            make_output_dir=True),
    ]
    for job in ours + references:
        job.defer_cleanup = (job.make_output_dir or job.kind == "unpack") and len(files) > 1000
    # Ours and the references alternate within a round.
    jobs = []
    for i in range(max(len(ours), len(references))):
        jobs += ours[i:i + 1] + references[i:i + 1]
    return jobs, size, len(files)


# Each of our jobs against the references that do the same work: (column, reference job).
REFERENCES = {
    "pack": {"tar": "tar cf", "cat": "cat", "cat+fsync": "cat+fsync"},
    "unpack": {"tar": "tar xf", "cat": "cat"},
}
COLUMNS = ("tar", "cat", "cat+fsync")


def report(results, runs, drop_caches):
    cache = "caches dropped before every job" if drop_caches else "warm page cache"
    print(f"\nMedians of {runs} interleaved runs ({cache}); ratios are ours / reference, of the\n"
          "wall times; CPU s is user + system time.\n")
    header = "| tree | job | median s | CPU s | MB/s | " + " | ".join(f"vs {c}" for c in COLUMNS)
    header += " | peak MiB |"
    print(header)
    print("|" + "---|" * (header.count("|") - 1))
    for label, (jobs, size, _) in results.items():
        by_name = {job.name: job for job in jobs}
        ordered = [j for j in jobs if j.ours] + [j for j in jobs if not j.ours]
        for job in ordered:
            references = REFERENCES.get(job.kind, {})
            ratios = [f"{job.median() / by_name[references[c]].median():.2f}"
                      if c in references else "" for c in COLUMNS]
            peak = f"{max(job.peak_kib) / 1024:.1f}" if job.ours else ""
            cpu = statistics.median(job.cpu_seconds)
            print(f"| {label} | {job.name} | {job.median():.3f} | {cpu:.3f} | "
                  f"{size / job.median() / 1e6:.0f} | {' | '.join(ratios)} | {peak} |")
    for label, (jobs, size, count) in results.items():
        print(f"\n{label}: {count} files, {size / MIB:.1f} MiB; every time (s):", file=sys.stderr)
        for job in jobs:
            print(f"  {job.name:12} " + " ".join(f"{s:.3f}" for s in job.seconds), file=sys.stderr)


def microbenchmarks(build_dir):
    print("\nMicrobenchmarks (Google Benchmark):\n")
    for name in ("checksum_bench", "record_reader_bench"):
        binary = build_dir / "bin" / name
        if not binary.exists():
            print(f"{binary} is missing: configure with -DHXF_BUILD_BENCH=ON")
            continue
        result = subprocess.run([str(binary), "--benchmark_min_time=0.2"], text=True,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True)
        print("\n".join(line for line in result.stdout.splitlines()
                        if line.startswith(("BM_", "Benchmark", "---"))))


def build(build_dir):
    if not (build_dir / "CMakeCache.txt").exists():
        subprocess.run(["cmake", "-S", str(SOURCE_DIR), "-B", str(build_dir), "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=Release", "-DHXF_BUILD_BENCH=ON",
                        "-DHXF_BUILD_GUI=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build_dir), "-j2", "--target", "hxf",
                    "checksum_bench", "record_reader_bench"], check=True, stdout=subprocess.DEVNULL)
    return build_dir / "bin" / "hxf"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5, help="interleaved runs per job (5)")
    parser.add_argument("--build-dir", type=Path, default=SOURCE_DIR / "build-bench",
                        help="where to build the Release binary (build-bench)")
    parser.add_argument("--scratch", type=Path, default=None,
                        help="where the trees are kept (BUILD_DIR/bench-trees)")
    parser.add_argument("--hxf", action="append", metavar="NAME=PATH", default=[],
                        help="time this hxf binary instead of building one; repeat to compare "
                             "several in the same rounds")
    parser.add_argument("--tree", action="append", choices=[t[0] for t in TREES.values()],
                        help="only this tree (repeatable)")
    parser.add_argument("--drop-caches", action="store_true",
                        help="drop the page cache before every job (needs root)")
    parser.add_argument("--no-micro", action="store_true", help="skip the microbenchmarks")
    parser.add_argument("--remove-trees", action="store_true",
                        help="delete the generated trees afterwards")
    args = parser.parse_args()

    variants = [(v.split("=", 1)[0], str(Path(v.split("=", 1)[1]).resolve())) for v in args.hxf]
    if not variants:
        variants = [("built", str(build(args.build_dir)))]
    scratch = (args.scratch or args.build_dir / "bench-trees").resolve()
    noise = Noise(6)
    results = {}
    for label, (name, _) in TREES.items():
        if args.tree and name not in args.tree:
            continue
        root = generate(scratch, label, noise)
        work = scratch / name / "work"
        if work.exists():
            shutil.rmtree(work)
            note_deletions(scratch)
        work.mkdir()
        results[label] = jobs_for(root, work, variants)
    wait_after_deletions(scratch)

    for round_number in range(args.runs):
        print(f"round {round_number + 1} of {args.runs}", file=sys.stderr)
        for jobs, _, _ in results.values():
            for job in jobs:
                job.run_once(args.drop_caches)

    report(results, args.runs, args.drop_caches)
    if not args.no_micro and not args.hxf:
        microbenchmarks(args.build_dir)
    if args.remove_trees:
        shutil.rmtree(scratch)
    else:
        for label in results:
            shutil.rmtree(scratch / TREES[label][0] / "work", ignore_errors=True)
        note_deletions(scratch)


if __name__ == "__main__":
    main()
