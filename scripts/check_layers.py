#!/usr/bin/env python3
"""Checks that the source folders stay in layers.

The layers are the folders of DIRADI_FOLDERS in CMakeLists.txt, lowest first.
A source file may include headers of its own folder and of folders listed
before its own, never of a folder listed after it: so no folder can reach
back up, and no circle can form. A source folder missing from the list fails
too, so a new folder is given its place on purpose.
usage: check_layers.py [PROJECT_DIR]; exit 1 on any fault."""
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
cmake = open(os.path.join(root, "CMakeLists.txt")).read()
m = re.search(r"set\(DIRADI_FOLDERS([^)]*)\)", cmake)
if not m:
    sys.exit("check_layers: no DIRADI_FOLDERS in CMakeLists.txt")
order = m.group(1).split()
rank = {f: i for i, f in enumerate(order)}
include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')
faults = []
for folder in sorted(os.listdir(root)):
    path = os.path.join(root, folder)
    if not os.path.isdir(path) or folder.startswith((".", "build")) or folder in (
            "tests", "bench", "scripts", "res", "forms"):
        continue
    has_sources = False
    for dirpath, _, files in os.walk(path):
        for name in sorted(files):
            if not name.endswith((".cpp", ".h", ".hpp")):
                continue
            has_sources = True
            if folder not in rank:
                continue
            source = os.path.relpath(os.path.join(dirpath, name), root)
            for number, line in enumerate(open(os.path.join(dirpath, name), errors="replace"), 1):
                hit = include.match(line)
                if hit and hit.group(1) in rank and rank[hit.group(1)] > rank[folder]:
                    faults.append(f"{source}:{number}: {folder}/ includes {hit.group(1)}/, a layer above it")
    if has_sources and folder not in rank:
        faults.append(f"{folder}/: source folder without a place in DIRADI_FOLDERS")
for fault in faults:
    print(fault)
print(f"layers ({' < '.join(order)}): {len(faults)} fault(s)")
sys.exit(1 if faults else 0)
