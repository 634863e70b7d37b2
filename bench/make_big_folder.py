"""Makes the folders of the big-folder benchmark, fast.

Usage: make_big_folder.py ROOT N [N ...]
ROOT/seeds holds a few small JPEGs (written by big_folder_bench seed). Each N
has a drive root of its own, ROOT/dN, so that no other size's folder is
looked into when the tree lists the root: ROOT/dN/picsN gets N copies of the
seeds under varied names, with varied sizes (the tail past the picture is a
sparse hole) and write times. A few of each are tied: names equal but for
case, equal sizes, dates equal in their upper 32 bits (within about seven
minutes), so that the sort's tie order is exercised. ROOT/dN/subs1000 gets
1,000 empty sub-folders. Seeded, so every run makes the same files; only
missing files are written (a run's deletes come back).
"""
import os
import random
import sys

EPOCH_2020 = 1577836800


def plan(n):
    """(name, seed index, size, mtime) for each of the n pictures."""
    rng = random.Random(n)
    numbers = rng.sample(range(10 * n), n)
    sizes = rng.sample(range(2 * n), n)
    span = n * 2000
    out = []
    for i in range(n):
        stem = ("IMG_%06d", "DSC%06d", "photo (%d)", "Trip-%d")[i % 4] % numbers[i]
        ext = ".jpeg" if i % 7 == 0 else (".JPG" if i % 11 == 0 else ".jpg")
        size = sizes[i]
        mtime = EPOCH_2020 + rng.randrange(span)
        if i % 97 == 1:              # same size as the one before
            size = out[-1][2]
        if i % 89 == 1:              # same date, or within the same 429 s
            mtime = out[-1][3] + rng.randrange(3)
        out.append([stem + ext, i % 4, size, mtime])
    # Names equal but for case: a few pairs.
    for k in range(max(3, n // 2000)):
        j = 1 + 2 * k * (n // (2 * max(3, n // 2000)))
        out[j][0] = out[j - 1][0].swapcase()
    return out


def make_pictures(root, n, seeds):
    folder = os.path.join(root, "d%d" % n, "pics%d" % n)
    os.makedirs(folder, exist_ok=True)
    present = set(os.listdir(folder))
    for name, seed, pad, mtime in plan(n):
        if name in present:
            continue
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(seeds[seed])
            f.truncate(len(seeds[seed]) + pad)
        os.utime(path, (mtime, mtime))


def make_subfolders(root, n):
    folder = os.path.join(root, "d%d" % n, "subs1000")
    for i in range(1000):
        os.makedirs(os.path.join(folder, "Folder %04d" % ((i * 7919) % 10000)), exist_ok=True)


def main():
    root = sys.argv[1]
    seeds = []
    for i in range(4):
        with open(os.path.join(root, "seeds", "seed%d.jpg" % i), "rb") as f:
            seeds.append(f.read())
    for n in sys.argv[2:]:
        make_pictures(root, int(n), seeds)
        make_subfolders(root, int(n))


main()
