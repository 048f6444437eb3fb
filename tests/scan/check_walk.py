#!/usr/bin/python3
"""Checks a scan host report against the folder tree it walked (one mapped drive).

usage: check_walk.py REPORT DRIVE UNIXROOT
Derives from the Unix tree what the walker must show and offer: every entry of every folder it
enters (with "." and ".." below the root), files before subfolders, depth first; folders that are
links are shown but not entered; a path over 259 characters is neither shown nor offered, and a
folder whose child pattern would pass 259 characters is shown but not entered. Prints the
differences and exits 1 on any."""
import os
import stat
import sys

MAX_PATH_CHARS = 259
MAX_DEPTH = 64


def shorten(path):
    return path if len(path) <= 60 else path[:29] + ".." + path[-29:]


def expected_walk(drive, root):
    """(shown, offered): the walk's shown texts in a valid order and the set of offered paths."""
    shown, offered = [], []

    def walk(win_dir, unix_dir, depth):
        # Order within a folder is the file system's; the check below compares blocks, not names.
        names = sorted(os.listdir(unix_dir))
        if depth > 0 or win_dir.count("\\") > 1:
            names = [".", ".."] + names
        subfolders = []
        for name in names:
            win = win_dir + "\\" + name if not win_dir.endswith("\\") else win_dir + name
            if len(win) > MAX_PATH_CHARS:
                continue
            shown.append(win)
            if name in (".", ".."):
                continue
            full = os.path.join(unix_dir, name)
            info = os.lstat(full)
            if stat.S_ISDIR(info.st_mode) or (stat.S_ISLNK(info.st_mode) and os.path.isdir(full)):
                if not stat.S_ISLNK(info.st_mode) and len(win) + 4 <= MAX_PATH_CHARS and depth < MAX_DEPTH:
                    subfolders.append((win, full))
            else:
                offered.append(win)
        for win, full in subfolders:
            walk(win, full, depth + 1)

    walk(drive + "\\", root, 0)
    return shown, offered


def order_problems(shown):
    """Depth first, each folder's own entries (pass 1) before anything of its subfolders, and
    every folder's subtree one contiguous run."""
    problems = []
    parents = [p.rsplit("\\", 1)[0] for p in shown]
    for folder in sorted(set(parents)):
        own = [i for i, p in enumerate(parents) if p == folder]
        below = [i for i, p in enumerate(parents) if p.startswith(folder + "\\")]
        if max(own) - min(own) + 1 != len(own):
            problems.append("entries of %s are not one run" % folder)
        if below and max(own) > min(below):
            problems.append("a subfolder of %s is walked before its own entries end" % folder)
        tree = sorted(own + below)
        if tree[-1] - tree[0] + 1 != len(tree):
            problems.append("the subtree of %s is not one run" % folder)
    return problems


def main():
    report, drive, root = sys.argv[1], sys.argv[2], sys.argv[3]
    lines = open(report, encoding="latin-1").read().splitlines()
    prefix = drive + "\\"
    got_shown = [l[5:] for l in lines if l.startswith("SHOW " + prefix)]
    got_offered = [l[6:] for l in lines if l.startswith("OFFER " + prefix)]
    want_shown, want_offered = expected_walk(drive, root)
    status = 0
    if sorted(got_shown) != sorted(shorten(p) for p in want_shown):
        extra = sorted(set(got_shown) - set(map(shorten, want_shown)))
        missing = sorted(set(map(shorten, want_shown)) - set(got_shown))
        print("shown texts differ; extra %s; missing %s; counts %d/%d" % (extra[:5], missing[:5], len(got_shown), len(want_shown)))
        status = 1
    if sorted(got_offered) != sorted(want_offered):
        print("offered files differ; extra %s; missing %s" % (
            sorted(set(got_offered) - set(want_offered))[:5], sorted(set(want_offered) - set(got_offered))[:5]))
        status = 1
    if len(got_offered) != len(set(got_offered)):
        print("a file was offered twice")
        status = 1
    # Shortened texts no longer name their folder: order is checked on the short paths.
    for problem in order_problems([s for s in got_shown if len(s) < 60]):
        print(problem)
        status = 1
    sys.exit(status)


main()
