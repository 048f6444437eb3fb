#!/usr/bin/python3
"""Checks a scan host report against the folder tree it walked (one mapped drive).

usage: check_walk.py REPORT DRIVE UNIXROOT
Derives from the Unix tree what the walker must show and offer: every entry of every folder it
enters (with "." and ".." below the root), files before subfolders, depth first; folders that are
links are shown but not entered; dangling links are not listed. An entry whose path passes 259
characters, or which lies in a folder whose pattern would, is reached through short names: its
spelling is Wine's to choose, so those entries are checked by number and by the '~' of a short
name. Prints the differences and exits 1 on any."""
import os
import stat
import sys

MAX_PATH_CHARS = 259
MAX_DEPTH = 64


def shorten(path):
    return path if len(path) <= 60 else path[:29] + ".." + path[-29:]


def expected_walk(drive, root):
    """(shown, offered, short_shown, short_offered): the walk's long-spelled shown texts and
    offered paths, and how many of each it reaches through short names."""
    shown, offered = [], []
    short = {"shown": 0, "offered": 0}

    def walk(win_dir, unix_dir, depth, long_ok=True):
        # Order within a folder is the file system's; the check below compares blocks, not names.
        names = sorted(os.listdir(unix_dir))
        if depth > 0 or win_dir.count("\\") > 1:
            names = [".", ".."] + names
        subfolders = []
        for name in names:
            win = win_dir + "\\" + name if not win_dir.endswith("\\") else win_dir + name
            full = os.path.join(unix_dir, name)
            if name not in (".", "..") and not os.path.exists(full):
                continue  # Wine does not list a dangling link
            spelled_long = long_ok and len(win) <= MAX_PATH_CHARS
            if spelled_long:
                shown.append(win)
            else:
                short["shown"] += 1
            if name in (".", ".."):
                continue
            info = os.lstat(full)
            if stat.S_ISDIR(info.st_mode) or (stat.S_ISLNK(info.st_mode) and os.path.isdir(full)):
                if not stat.S_ISLNK(info.st_mode) and depth < MAX_DEPTH:
                    subfolders.append((win, full, long_ok and len(win) + 4 <= MAX_PATH_CHARS))
            elif spelled_long:
                offered.append(win)
            else:
                short["offered"] += 1
        for win, full, child_long in subfolders:
            walk(win, full, depth + 1, child_long)

    walk(drive + "\\", root, 0)
    return shown, offered, short["shown"], short["offered"]


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
    want_shown, want_offered, short_shown, short_offered = expected_walk(drive, root)
    status = 0
    long_shown = set(map(shorten, want_shown))
    got_long_shown = [s for s in got_shown if s in long_shown]
    got_short_shown = [s for s in got_shown if s not in long_shown]
    if sorted(got_long_shown) != sorted(map(shorten, want_shown)) or len(got_short_shown) != short_shown:
        missing = sorted(long_shown - set(got_shown))
        print("shown texts differ; missing %s; through short names %s (wanted %d)" % (
            missing[:5], got_short_shown[:5], short_shown))
        status = 1
    got_short_offered = [p for p in got_offered if p not in set(want_offered)]
    if sorted(set(got_offered) & set(want_offered)) != sorted(want_offered) or len(got_short_offered) != short_offered:
        print("offered files differ; missing %s; through short names %s (wanted %d)" % (
            sorted(set(want_offered) - set(got_offered))[:5], got_short_offered[:5], short_offered))
        status = 1
    # A shortened text (60 characters) may have lost its short name to the dots.
    for path in got_short_offered + [s for s in got_short_shown if len(s) < 60]:
        if "~" not in path:
            print("%s is not spelled with a short name" % path)
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
