#!/usr/bin/env python3
"""Times every hxf job on trees from 1,000 to 100,000 files and packages from 1 MiB to 1.9 GiB.

Shows how time and peak memory grow with the work: the trees of small files (0 to 8 KiB each) come
in three counts, each flat (one folder) and nested (50 folders); the trees of large files make
packages of 1 MiB to 1.9 GiB. For every tree it times `hxf pack`, `unpack`, `list`, `verify`,
`cat` (the last entry, to /dev/null) and `remove` (the first entry, from a fresh copy of the
package, copied before the clock starts), and `tar cf` / `tar xf` beside them. Rounds are
interleaved as in bench.py: each round runs every job of every tree once.

The trees are made once under the cache folder (build-bench/scale-trees by default, which git
ignores) and kept for the next run; --remove-trees deletes them. Making the 100,000-file trees
takes a minute; --counts and --sizes choose fewer, and --counts 1m adds a million files in 50
folders (up to 1 KiB each, 0.5 GB, a few minutes to make).
"""

import argparse
import random
import shutil
import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from bench import (GIB, KIB, MIB, SOURCE_DIR, Noise, build, note_deletions, run,  # noqa: E402
                   wait_after_deletions)

FOLDERS = 50  # of a nested tree
SIZES = {"1mib": MIB, "64mib": 64 * MIB, "1gib": GIB, "1.9gib": 1900 * MIB}
COUNTS = {"1k": 1000, "10k": 10_000, "100k": 100_000, "1m": 1_000_000}  # 1m: asked for only
# A million files in one folder is left out: the packer must hold a folder's whole listing.
NESTED_ONLY = {"1m"}


def make_files(root, count, nested, noise):
    choose = random.Random(count * 2 + nested)
    # A million files of up to 8 KiB would not fit in one package (2 GiB): those take up to 1 KiB.
    largest = 8 * KIB if count <= 100_000 else KIB
    for i in range(count):
        folder = root / f"DIR{i % FOLDERS:02d}" if nested else root
        folder.mkdir(exist_ok=True)
        noise.write(folder / f"file{i:06d}.dat", choose.randint(0, largest))


def make_sized(root, size, noise):
    """Four files that make a package of `size` bytes, give or take their records."""
    for i in range(4):
        noise.write(root / f"part{i}.bin", size // 4)


class Tree:
    def __init__(self, label, name, make):
        self.label, self.name, self.make = label, name, make

    def generate(self, cache, noise):
        self.root = cache / self.name / "tree"
        done = cache / self.name / ".complete"
        if not done.exists():
            shutil.rmtree(cache / self.name, ignore_errors=True)
            self.root.mkdir(parents=True)
            print(f"generating {self.label} in {self.root}", file=sys.stderr)
            self.make(self.root, noise)
            done.touch()
        files = sorted(p.relative_to(self.root) for p in self.root.rglob("*") if p.is_file())
        self.count = len(files)
        self.size = sum((self.root / f).stat().st_size for f in files)
        # Entry names as the package holds them: ASCII, with a backslash between folders.
        self.first, self.last = ("\\".join(f.parts) for f in (files[0], files[-1]))


def trees_for(args):
    trees = []
    for key in args.counts:
        for nested in (True,) if key in NESTED_ONLY else (False, True):
            layout = f"{FOLDERS} folders" if nested else "one folder"
            trees.append(Tree(f"{COUNTS[key]:,} files, {layout}", f"files-{key}-{int(nested)}",
                              lambda root, noise, n=COUNTS[key], nested=nested:
                              make_files(root, n, nested, noise)))
    for key in args.sizes:
        trees.append(Tree(f"4 files, {key.replace('mib', ' MiB').replace('gib', ' GiB')}",
                          f"size-{key}", lambda root, noise, size=SIZES[key]:
                          make_sized(root, size, noise)))
    return trees


class Job:
    """One command on one tree; `prepare` runs untimed before it, `output` is removed after."""

    def __init__(self, tree, name, argv, output=None, prepare=None, stdout=None, many=False):
        self.tree, self.name, self.argv = tree, name, argv
        self.output, self.prepare, self.stdout, self.many = output, prepare, stdout, many
        self.seconds, self.peak_kib = [], []

    def run_once(self, round_number):
        if self.prepare:
            self.prepare()
        seconds, _, peak = run(self.argv, self.stdout)
        self.seconds.append(seconds)
        self.peak_kib.append(peak)
        if self.output and self.output.exists():
            # Outputs of many files are set aside and deleted after the last round (see bench.py).
            if self.many:
                self.output.rename(self.output.with_name(f"{self.output.name}.{round_number}"))
            elif self.output.is_dir():
                shutil.rmtree(self.output)
            else:
                self.output.unlink()


def jobs_for(tree, work, hxf):
    package, archive = work / "input.hxf", work / "input.tar"
    run([hxf, "pack", "-q", "-C", str(tree.root), str(package)])
    run(["tar", "cf", str(archive), "-C", str(tree.root), "."])
    copy = work / "copy.hxf"
    many = tree.count > 1000

    def fresh_copy():
        shutil.copyfile(package, copy)

    def empty(folder):
        return lambda: folder.mkdir()

    out_hxf, out_tar = work / "out.hxf", work / "out.tar"
    return [
        Job(tree, "hxf pack", [hxf, "pack", "-q", "-C", str(tree.root), str(out_hxf)], out_hxf),
        Job(tree, "tar cf", ["tar", "cf", str(out_tar), "-C", str(tree.root), "."], out_tar),
        Job(tree, "hxf unpack", [hxf, "unpack", "-q", "-C", str(work / "unpacked"), str(package)],
            work / "unpacked", many=many),
        Job(tree, "tar xf", ["tar", "xf", str(archive), "-C", str(work / "untarred")],
            work / "untarred", prepare=empty(work / "untarred"), many=many),
        Job(tree, "hxf list", [hxf, "list", str(package)]),
        Job(tree, "hxf verify", [hxf, "verify", str(package)]),
        Job(tree, "hxf cat", [hxf, "cat", str(package), tree.last]),
        Job(tree, "hxf remove", [hxf, "remove", "-q", str(copy), tree.first], copy,
            prepare=fresh_copy),
    ]


def report(trees, jobs, runs):
    print(f"\nMedians of {runs} interleaved runs (warm page cache); peak is the largest of the "
          "runs.\n")
    names = list(dict.fromkeys(job.name for job in jobs))
    print("| tree | files | MiB | " + " | ".join(names) + " |")
    print("|" + "---|" * (len(names) + 3))
    by_key = {(job.tree.name, job.name): job for job in jobs}
    for tree in trees:
        cells = []
        for name in names:
            job = by_key[(tree.name, name)]
            peak = f", {max(job.peak_kib) / 1024:.1f} MiB" if name.startswith("hxf") else ""
            cells.append(f"{statistics.median(job.seconds):.3f} s{peak}")
        print(f"| {tree.label} | {tree.count:,} | {tree.size / MIB:.0f} | " + " | ".join(cells)
              + " |")
    print("\nunpack and pack against tar, median of the ratios of each round:\n")
    for tree in trees:
        for ours, theirs in (("hxf unpack", "tar xf"), ("hxf pack", "tar cf")):
            a, b = by_key[(tree.name, ours)].seconds, by_key[(tree.name, theirs)].seconds
            ratio = statistics.median(x / y for x, y in zip(a, b))
            print(f"- {tree.label}: {ours} {ratio:.2f} x {theirs} "
                  f"(each round: {' '.join(f'{x:.3f}/{y:.3f}' for x, y in zip(a, b))})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=3,
                        help="interleaved runs per job (3); 0 only makes the trees")
    parser.add_argument("--build-dir", type=Path, default=SOURCE_DIR / "build-bench")
    parser.add_argument("--cache", type=Path, default=None,
                        help="where the trees are kept (BUILD_DIR/scale-trees)")
    parser.add_argument("--hxf", help="time this hxf binary instead of building one")
    parser.add_argument("--counts", nargs="*", choices=COUNTS,
                        default=[k for k in COUNTS if k not in NESTED_ONLY],
                        help="file counts of the small-file trees (1k 10k 100k; 1m on request)")
    parser.add_argument("--sizes", nargs="*", choices=SIZES, default=list(SIZES))
    parser.add_argument("--remove-trees", action="store_true",
                        help="delete the generated trees afterwards")
    args = parser.parse_args()

    hxf = str(Path(args.hxf).resolve()) if args.hxf else str(build(args.build_dir))
    cache = (args.cache or args.build_dir / "scale-trees").resolve()
    needed = sum(SIZES[k] for k in args.sizes) * 4  # tree, package, unpacked copy, tar
    cache.mkdir(parents=True, exist_ok=True)
    free = shutil.disk_usage(cache).free
    if free < needed:
        sys.exit(f"{free / GIB:.1f} GiB free, {needed / GIB:.1f} GiB needed: choose fewer --sizes")
    noise = Noise(14)
    trees = trees_for(args)
    jobs = []
    for tree in trees:
        tree.generate(cache, noise)
        if args.runs == 0:
            continue
        work = cache / tree.name / "work"
        if work.exists():
            shutil.rmtree(work)
            note_deletions(cache)
        work.mkdir()
        jobs += jobs_for(tree, work, hxf)
    if args.runs == 0:
        return
    wait_after_deletions(cache)

    for round_number in range(args.runs):
        print(f"round {round_number + 1} of {args.runs}", file=sys.stderr)
        for job in jobs:
            job.run_once(round_number)
    report(trees, jobs, args.runs)

    if args.remove_trees:
        shutil.rmtree(cache)
    else:
        for tree in trees:
            shutil.rmtree(cache / tree.name / "work", ignore_errors=True)
        note_deletions(cache)


if __name__ == "__main__":
    main()
