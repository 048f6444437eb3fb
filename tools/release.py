#!/usr/bin/env python3
"""Packs the download for Windows users: tarvex-VERSION.zip (tarvex.exe, README.txt and SHA256SUMS for
the two), and beside it SHA256SUMS for the zip and the exe, with a copy of the exe so that
`sha256sum -c SHA256SUMS` works in the folder. Every byte follows from the inputs and the time given:
the entries' order, times and permissions are fixed, so two builds of one commit give the same zip.
    release.py --exe EXE --readme README.txt --version 1.0 --epoch SECONDS --out DIR"""
import argparse
import hashlib
import os
import re
import shutil
import sys
import time
import zipfile

# Zip times are MS-DOS times: 1980 to 2107, local time with no zone. The commit's UTC time is stored.
DOS_EARLIEST = (1980, 1, 1, 0, 0, 0)
DOS_LATEST = (2107, 12, 31, 23, 59, 58)


def entry_time(epoch):
    stamp = tuple(time.gmtime(epoch)[:6])
    return min(max(stamp, DOS_EARLIEST), DOS_LATEST)


def sums_text(files, newline):
    """The sha256sum format: hash, two spaces, name; one line a file."""
    return "".join("%s  %s%s" % (hashlib.sha256(data).hexdigest(), name, newline)
                   for name, data in files).encode("ascii")


def guide_problems(text, version):
    problems = []
    if text.count(b"\n") != text.count(b"\r\n") or text.count(b"\r") != text.count(b"\r\n"):
        problems.append("lines must end in CR LF, the line end of every Windows editor")
    if not text.endswith(b"\r\n"):
        problems.append("the last line must end in CR LF")
    if ("Tarvex Ver " + version).encode("ascii") not in text:
        problems.append('it does not name the version ("Tarvex Ver %s")' % version)
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--epoch", required=True, type=int)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if not re.fullmatch(r"[0-9]+\.[0-9]+", args.version):
        print("version %r is not MAJOR.MINOR (base/version.h)" % args.version, file=sys.stderr)
        return 1

    with open(args.exe, "rb") as f:
        exe = f.read()
    with open(args.readme, "rb") as f:
        guide = f.read()
    problems = guide_problems(guide, args.version)
    if problems:
        for p in problems:
            print("%s: %s" % (args.readme, p), file=sys.stderr)
        return 1

    # Windows users open the inner sums in Notepad, so CR LF; sha256sum reads that too.
    contents = [("tarvex.exe", exe), ("README.txt", guide)]
    contents.append(("SHA256SUMS", sums_text(contents, "\r\n")))

    os.makedirs(args.out, exist_ok=True)
    zip_name = "tarvex-%s.zip" % args.version
    zip_path = os.path.join(args.out, zip_name)
    partial = zip_path + ".part"
    with zipfile.ZipFile(partial, "w") as package:
        for name, data in contents:
            entry = zipfile.ZipInfo(name, entry_time(args.epoch))
            entry.create_system = 3  # Unix, so that the permission bits below mean what they say
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            package.writestr(entry, data, compresslevel=9)
    os.replace(partial, zip_path)

    with open(zip_path, "rb") as f:
        packed = f.read()
    shutil.copyfile(args.exe, os.path.join(args.out, "tarvex.exe"))
    with open(os.path.join(args.out, "SHA256SUMS"), "wb") as f:
        f.write(sums_text([(zip_name, packed), ("tarvex.exe", exe)], "\n"))
    for name in (zip_name, "tarvex.exe", "SHA256SUMS"):
        print(os.path.join(args.out, name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
