#!/usr/bin/env python3
"""Checks the release folder that `make release` wrote: the zip holds exactly tarvex.exe, README.txt
and SHA256SUMS, in that order, with the commit's time and fixed permissions; its sums match; the
guide uses CR LF and names the version; SHA256SUMS beside the zip matches the zip and the exe. Then it
shows that the check notices a broken package, on a table of damaged copies of the real zip.
    release_package.py RELEASE_DIR EXE README VERSION EPOCH"""
import hashlib
import io
import os
import re
import sys
import time
import zipfile

NAMES = ["tarvex.exe", "README.txt", "SHA256SUMS"]


def sha(data):
    return hashlib.sha256(data).hexdigest()


def parse_sums(text, newline):
    """{name: hash} of a sha256sum file whose lines end in `newline`, or None if a line is malformed."""
    if not text.endswith(newline.encode()):
        return None
    sums = {}
    for line in text.decode("ascii", "replace").split(newline)[:-1]:
        m = re.fullmatch(r"([0-9a-f]{64})  (\S+)", line)
        if not m:
            return None
        sums[m.group(2)] = m.group(1)
    return sums


def zip_problems(packed, exe, version, epoch):
    problems = []
    try:
        package = zipfile.ZipFile(io.BytesIO(packed))
    except zipfile.BadZipFile as e:
        return ["not a zip: %s" % e]
    names = package.namelist()
    if names != NAMES:
        return ["holds %s, wanted %s" % (names, NAMES)]
    if package.testzip() is not None:
        problems.append("an entry's CRC is wrong")
    # MS-DOS times have two-second steps.
    want_time = tuple(time.gmtime(epoch - epoch % 2)[:6])
    for entry in package.infolist():
        if entry.date_time != want_time:
            problems.append("%s has the time %s, wanted the commit's %s" % (entry.filename, entry.date_time, want_time))
        if entry.create_system != 3 or entry.external_attr != 0o100644 << 16:
            problems.append("%s has the attributes %o, wanted 100644" % (entry.filename, entry.external_attr >> 16))
    inner = {name: package.read(name) for name in names}
    if inner["tarvex.exe"] != exe:
        problems.append("its tarvex.exe is not the build's")
    guide = inner["README.txt"]
    if guide.count(b"\n") != guide.count(b"\r\n") or guide.count(b"\r") != guide.count(b"\r\n"):
        problems.append("README.txt has a line end other than CR LF")
    if ("Tarvex Ver %s" % version).encode() not in guide:
        problems.append("README.txt does not name the version %s" % version)
    sums = parse_sums(inner["SHA256SUMS"], "\r\n")
    want = {name: sha(inner[name]) for name in ("tarvex.exe", "README.txt")}
    if sums != want:
        problems.append("SHA256SUMS in the zip says %s, the files are %s" % (sums, want))
    return problems


def rezip(source, replace=None, extra=None):
    """A copy of the zip with some entries' bytes replaced and optionally one entry more."""
    out = io.BytesIO()
    with zipfile.ZipFile(io.BytesIO(source)) as old, zipfile.ZipFile(out, "w") as new:
        for entry in old.infolist():
            data = (replace or {}).get(entry.filename, old.read(entry.filename))
            new.writestr(entry, data, compress_type=zipfile.ZIP_DEFLATED)
        if extra:
            new.writestr(zipfile.ZipInfo(extra, entry.date_time), b"")
    return out.getvalue()


def main():
    release, exe_path, readme_path, version, epoch = sys.argv[1:6]
    epoch = int(epoch)
    failures = 0
    with open(exe_path, "rb") as f:
        exe = f.read()
    with open(readme_path, "rb") as f:
        readme = f.read()
    zip_name = "tarvex-%s.zip" % version
    with open(os.path.join(release, zip_name), "rb") as f:
        packed = f.read()

    for problem in zip_problems(packed, exe, version, epoch):
        print("FAIL %s: %s" % (zip_name, problem))
        failures += 1
    with zipfile.ZipFile(io.BytesIO(packed)) as package:
        if package.read("README.txt") != readme:
            print("FAIL the zip's README.txt is not the repository's")
            failures += 1
    with open(os.path.join(release, "SHA256SUMS"), "rb") as f:
        outer = parse_sums(f.read(), "\n")
    want = {zip_name: sha(packed), "tarvex.exe": sha(exe)}
    if outer != want:
        print("FAIL SHA256SUMS beside the zip says %s, the files are %s" % (outer, want))
        failures += 1
    if not failures:
        print("ok   %s: exactly %s, sums match, CR LF guide naming %s; SHA256SUMS beside it matches"
              % (zip_name, ", ".join(NAMES), version))

    # Each damaged copy must be refused, for the reason its row names. A changed guide comes with
    # matching sums, so that only the guide itself is wrong.
    def with_guide(guide):
        sums = "".join("%s  %s\r\n" % (sha(d), n) for n, d in (("tarvex.exe", exe), ("README.txt", guide)))
        return rezip(packed, {"README.txt": guide, "SHA256SUMS": sums.encode()})
    patched_exe = exe + b"\0"
    damaged = [  # label, zip, the build's exe, reason
        ("guide with LF line ends", with_guide(readme.replace(b"\r\n", b"\n")), exe, "line end other than CR LF"),
        ("guide naming another version", with_guide(readme.replace(("Tarvex Ver " + version).encode(), b"Tarvex Ver 0.9")),
         exe, "does not name the version"),
        ("exe changed after the sums", rezip(packed, {"tarvex.exe": patched_exe}), patched_exe, "SHA256SUMS in the zip says"),
        ("a fourth file", rezip(packed, extra="notes.txt"), exe, "holds ["),
    ]
    for label, data, build_exe, reason in damaged:
        problems = zip_problems(data, build_exe, version, epoch)
        if any(reason in p for p in problems):
            print("ok   [%s] refused: %s" % (label, reason))
        else:
            print("FAIL [%s] wanted a refusal naming '%s', got %s" % (label, reason, problems))
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
