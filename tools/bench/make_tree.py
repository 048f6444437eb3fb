#!/usr/bin/python3
"""Builds the benchmark's deterministic folder tree: FILES files, a third each real PE files
(copied once from Wine's DLL folder into POOL, then hard-linked into the tree to spare the disk),
text files and random binaries, 40 files to a folder, folders nested up to five deep.
usage: make_tree.py ROOT FILES POOL   (POOL outside ROOT, on the same file system)"""
import os
import random
import shutil
import sys

WINE_DLLS = "/usr/lib/i386-linux-gnu/wine/i386-windows"
PER_FOLDER = 40
FANOUT = 6


def main():
    root, total, pool = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    os.makedirs(pool, exist_ok=True)
    rng = random.Random(20261210)
    dlls = sorted(os.path.join(WINE_DLLS, n) for n in os.listdir(WINE_DLLS)
                  if n.endswith((".dll", ".exe")) and os.path.getsize(os.path.join(WINE_DLLS, n)) <= 256 * 1024)
    made = 0
    folder_index = 0
    while made < total:
        # Folder k sits below folder (k - 1) // FANOUT: a breadth-first tree, at most five deep.
        parts, k = [], folder_index
        while k > 0 and len(parts) < 5:
            parts.append("dir%03d" % (k % 1000))
            k = (k - 1) // FANOUT
        folder = os.path.join(root, *reversed(parts))
        os.makedirs(folder, exist_ok=True)
        for i in range(min(PER_FOLDER, total - made)):
            kind = made % 3
            if kind == 0:
                source = dlls[rng.randrange(len(dlls))]
                copy = os.path.join(pool, os.path.basename(source))
                if not os.path.exists(copy):
                    shutil.copyfile(source, copy)
                os.link(copy, os.path.join(folder, "m%05d_%s" % (made, os.path.basename(source))))
            elif kind == 1:
                with open(os.path.join(folder, "t%05d.txt" % made), "w") as f:
                    f.write(("line %d of a plain text file\n" % made) * rng.randrange(1, 60))
            else:
                with open(os.path.join(folder, "b%05d.bin" % made), "wb") as f:
                    f.write(rng.randbytes(rng.randrange(16, 8192)))
            made += 1
        folder_index += 1


main()
