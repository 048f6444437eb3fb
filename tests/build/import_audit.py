#!/usr/bin/env python3
"""Checks the built executable: PE32 for i386, GUI subsystem, subsystem and OS version 4.0, and no
import outside tests/build/imports.allow (so nothing that Windows 95/98/ME or NT 4 lack is imported
statically; psapi.dll and the toolhelp functions are loaded by name at run time), and no DLL beyond
the five system DLLs every one of them has: no C run-time DLL, which Windows 95 lacks at first."""
import re
import subprocess
import sys

exe, allow_path = sys.argv[1], sys.argv[2]
dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True, check=True).stdout

problems = []
def field(name):
    m = re.search(r"^%s\s+(\S+)" % re.escape(name), dump, re.M)
    return m.group(1) if m else None

if "file format pei-i386" not in subprocess.run(["i686-w64-mingw32-objdump", "-f", exe], capture_output=True, text=True).stdout:
    problems.append("not a PE32 i386 image")
for name, want in [("MajorSubsystemVersion", "4"), ("MinorSubsystemVersion", "0"),
                   ("MajorOSystemVersion", "4"), ("MinorOSystemVersion", "0")]:
    if field(name) != want:
        problems.append("%s is %s, want %s" % (name, field(name), want))
if not re.search(r"^Subsystem\s+00000002", dump, re.M):
    problems.append("not a GUI subsystem image")

imports = set()
dll = None
for line in dump.splitlines():
    m = re.match(r"\s*DLL Name: (\S+)", line)
    if m:
        dll = m.group(1).lower()
        continue
    if dll is None:
        continue
    if not line.strip():
        dll = None
        continue
    m = re.match(r"\s*[0-9a-f]+\s+\d+\s+(\S+)", line)
    if m:
        imports.add("%s!%s" % (dll, m.group(1)))

allowed = set()
for line in open(allow_path):
    line = line.split("#", 1)[0].strip()
    if line:
        allowed.add(line.split()[0].lower().split("!")[0] + "!" + line.split()[0].split("!", 1)[1])

system_dlls = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll"}
for name in sorted({i.split("!")[0] for i in imports} - system_dlls):
    problems.append("imports from a DLL outside the system's five: " + name)
for name in sorted({a.split("!")[0] for a in allowed} - system_dlls):
    problems.append("allow-list names a DLL outside the system's five: " + name)

never = re.compile(r"^(psapi\.dll!.*|.*!(CreateToolhelp32Snapshot|Process32First|Process32Next|EnumProcesses|GetModuleFileNameExA))$", re.I)
for entry in sorted(imports):
    if never.match(entry):
        problems.append("imported statically, must be loaded by name: " + entry)
    elif entry not in allowed:
        problems.append("import not in the allow-list: " + entry)
for entry in sorted(allowed):
    if never.match(entry):
        problems.append("allow-list names a function that must be loaded by name: " + entry)

print("%d imports from %s" % (len(imports), ", ".join(sorted({i.split("!")[0] for i in imports}))))
for p in problems:
    print("FAIL:", p)
sys.exit(1 if problems else 0)
