#!/usr/bin/env python3
"""Checks that the source folders are layers.

README.md states the order on one line:

    Layers (lowest first): engine, text < protocol, store < ...

Names between two "<" form one layer. A file may include (with a quoted
#include) its own folder and the folders of lower layers, never a sibling
of its own layer and never a higher layer. Every folder that holds C++
sources, apart from tests/ and fuzz/ (which may reach any layer), must be on
the line, and every name on the line must be such a folder.

Usage: check-layers.py [SOURCE_ROOT]. Exit status 0 when the includes
follow the line, 1 with one line per fault otherwise.
"""

import os
import re
import sys

LINE = re.compile(r"Layers \(lowest first\): (.*)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
NAME = re.compile(r"^[a-z][a-z0-9_]*$")
SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc")
NOT_LAYERS = {"tests", "fuzz"}


def read_layers(readme):
    """The layer of each folder name (0 = lowest), or an error text."""
    try:
        with open(readme, encoding="utf-8") as f:
            text = f.read()
    except OSError as e:
        return None, f"{readme}: cannot read it: {e.strerror}"
    found = [LINE.search(line) for line in text.splitlines()]
    found = [m.group(1) for m in found if m]
    if len(found) != 1:
        return None, f"{readme}: needs exactly one line 'Layers (lowest first): ...', has {len(found)}"
    spec = found[0].strip().rstrip("`.").strip()
    rank = {}
    for level, group in enumerate(spec.split("<")):
        names = [n.strip() for n in group.split(",")]
        for name in names:
            if not NAME.match(name):
                return None, f"{readme}: '{name}' in the layer line is not a folder name"
            if name in rank:
                return None, f"{readme}: '{name}' stands twice in the layer line"
            rank[name] = level
    return rank, None


def is_build_tree(path):
    return os.path.exists(os.path.join(path, "CMakeCache.txt"))


def source_folders(root):
    """Top folders of `root` that hold C++ sources, without tests/ and fuzz/."""
    folders = []
    for entry in sorted(os.listdir(root)):
        path = os.path.join(root, entry)
        if entry.startswith(".") or entry in NOT_LAYERS or not os.path.isdir(path):
            continue
        if is_build_tree(path):
            continue
        if any(files_of(path)):
            folders.append(entry)
    return folders


def files_of(folder):
    for dirpath, dirnames, filenames in os.walk(folder):
        dirnames[:] = sorted(d for d in dirnames if not d.startswith(".")
                             and not is_build_tree(os.path.join(dirpath, d)))
        for name in sorted(filenames):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.join(dirpath, name)


def check(root):
    readme = os.path.join(root, "README.md")
    rank, error = read_layers(readme)
    if error:
        return [error]
    faults = []
    folders = source_folders(root)
    for folder in folders:
        if folder not in rank:
            faults.append(f"{folder}/: a source folder missing from the layer line in {readme}")
    for name in rank:
        if name not in folders:
            faults.append(f"{readme}: '{name}' in the layer line is no source folder")
    for folder in folders:
        if folder not in rank:
            continue
        for path in files_of(os.path.join(root, folder)):
            shown = os.path.relpath(path, root)
            try:
                with open(path, encoding="utf-8", errors="replace") as f:
                    lines = f.readlines()
            except OSError as e:
                faults.append(f"{shown}: cannot read it: {e.strerror}")
                continue
            for number, line in enumerate(lines, 1):
                m = INCLUDE.match(line)
                if not m or "/" not in m.group(1):
                    continue
                target = m.group(1).split("/", 1)[0]
                where = f'{shown}:{number}: #include "{m.group(1)}"'
                if target == folder:
                    continue
                if target not in rank:
                    faults.append(f"{where}: {target}/ is not a layer")
                elif rank[target] == rank[folder]:
                    faults.append(f"{where}: {folder}/ and {target}/ are the same layer")
                elif rank[target] > rank[folder]:
                    faults.append(f"{where}: {target}/ is a higher layer than {folder}/")
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    faults = check(os.path.abspath(root))
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) or folder(s) against the layers")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
