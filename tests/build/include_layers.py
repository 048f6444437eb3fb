#!/usr/bin/env python3
"""Checks that the product's folders include one way: a file may include its own folder and the
folders below it, never one above (nor test or tool code). Every product folder (a top-level folder
with a module.mk) must have its place in the list, and every folder under tests/ is named after a
product folder or is one of the known support folders, so that a product folder's tests are found
at the same name under tests/. The data flows the same way: the scan's one record, g_scanState, is
named only by the scan's entry (scan/scan_run.*) and the window (ui/); every routine below them is
handed the record.
    include_layers.py ROOT"""
import os
import re
import sys

# Bottom to top; the README's layout section draws the same order.
LAYERS = ["base", "run", "match", "platform", "disinfect", "detect", "scan", "ui"]
# Folders under tests/ that test no one product folder.
TEST_SUPPORT = ["e2e", "build", "fixtures", "fuzz", "helpers", "lib"]
SOURCE = re.compile(r".*\.(cpp|h|S|rc)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
RECORD = re.compile(r"\bg_scanState\b")
# Where the record may be named: its owner, the scan's entry, and the window's handlers.
RECORD_NAMERS = re.compile(r"^(scan/scan_run\.(cpp|h)|ui/.*)$")

root = sys.argv[1]
problems = []
for name in sorted(os.listdir(root)):
    if os.path.isfile(os.path.join(root, name, "module.mk")) and name not in LAYERS + ["tests", "tools"]:
        problems.append("%s/ has no place in the layer list" % name)

tests = os.path.join(root, "tests")
for name in sorted(os.listdir(tests)) if os.path.isdir(tests) else []:
    if os.path.isdir(os.path.join(tests, name)) and name not in LAYERS + TEST_SUPPORT:
        problems.append("tests/%s/ is named after no product folder nor a known support folder" % name)

for rank, layer in enumerate(LAYERS):
    for folder, _, files in os.walk(os.path.join(root, layer)):
        for file in sorted(files):
            if not SOURCE.match(file):
                continue
            path = os.path.join(folder, file)
            shown = os.path.relpath(path, root)
            with open(path, encoding="latin-1") as source:
                for number, line in enumerate(source, 1):
                    if RECORD.search(line) and not RECORD_NAMERS.match(shown.replace(os.sep, "/")):
                        problems.append("%s:%d names g_scanState: hand the routine the record instead" % (shown, number))
                    m = INCLUDE.match(line)
                    if not m or "/" not in m.group(1):
                        continue  # a file next to this one (resource scripts include those)
                    target = m.group(1).split("/", 1)[0]
                    if target in LAYERS and LAYERS.index(target) <= rank:
                        continue
                    problems.append('%s:%d includes "%s" from above %s/' % (shown, number, m.group(1), layer))

for p in problems:
    print("FAIL:", p)
print("%d layers checked, %d wrong includes or uses of the record" % (len(LAYERS), len(problems)))
sys.exit(1 if problems else 0)
