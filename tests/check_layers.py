#!/usr/bin/env python3
"""Fails when a layer includes a folder it may not see.

    check_layers.py SOURCE_ROOT LAYER=VISIBLE,VISIBLE...    (one per layer)

The build derives each layer's visible folders from the layers' own list
(cmake/Layers.cmake): its own and those below it. Every #include "folder/..."
of every file in a layer's folder must name one of them. Prints each include
against the direction."""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/', re.MULTILINE)


def forbidden_includes(root, visibility):
    layers = set(visibility)
    for layer, visible in visibility.items():
        for path in sorted((root / layer).glob("*")):
            if path.suffix not in (".h", ".cpp", ".c"):
                continue
            for folder in INCLUDE.findall(path.read_text(encoding="utf-8")):
                if folder in layers and folder not in visible:
                    yield f"{path.relative_to(root)} includes {folder}/, which {layer}/ may not see"


def main():
    root = pathlib.Path(sys.argv[1])
    visibility = {}
    for argument in sys.argv[2:]:
        layer, _, visible = argument.partition("=")
        visibility[layer] = set(visible.split(","))
    missing = [layer for layer in visibility if not (root / layer).is_dir()]
    if missing or not visibility:
        print("no such layer folder: " + ", ".join(missing) if missing else "no layers given")
        return 1
    found = list(forbidden_includes(root, visibility))
    for line in found:
        print(line)
    print(f"{len(visibility)} layers, {len(found)} includes against the direction")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
