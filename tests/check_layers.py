#!/usr/bin/env python3
"""Fails when a layer includes a layer above it.

    check_layers.py SOURCE_ROOT LAYER...    (the layers from the bottom up)

Every #include "folder/..." of every file in a layer's folder must name that
folder or one below it. Prints each include against the direction."""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/', re.MULTILINE)


def upward_includes(root, layers):
    rank = {layer: i for i, layer in enumerate(layers)}
    for layer in layers:
        for path in sorted((root / layer).glob("*")):
            if path.suffix not in (".h", ".cpp", ".c"):
                continue
            for folder in INCLUDE.findall(path.read_text(encoding="utf-8")):
                if folder in rank and rank[folder] > rank[layer]:
                    yield f"{path.relative_to(root)} includes {folder}/, a layer above {layer}/"


def main():
    root, layers = pathlib.Path(sys.argv[1]), sys.argv[2:]
    missing = [layer for layer in layers if not (root / layer).is_dir()]
    if missing:
        print("no such layer folder: " + ", ".join(missing))
        return 1
    found = list(upward_includes(root, layers))
    for line in found:
        print(line)
    print(f"{len(layers)} layers, {len(found)} includes against the direction")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
