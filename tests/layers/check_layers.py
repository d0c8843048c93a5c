#!/usr/bin/env python3
"""The folder rule: a file of the program may include only its own folder (sub-folders
included) and the folders before it in the layer order, which the top CMakeLists.txt
defines as KESTRANE_LAYERS. Prints every include that breaks it, as file:line, and exits 1."""
import os
import re
import sys

LAYER_LIST = re.compile(r"^\s*set\(\s*KESTRANE_LAYERS\s+([^)]*)\)", re.MULTILINE)
# Shared by every layer: resource ids, no code.
NEUTRAL = {"resources"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"(([^"/]+)/[^"]*)"')
SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cpp", ".rc")


def read_layers(root):
    """The layer order as the build defines it; empty when the build names none."""
    try:
        with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as build:
            match = LAYER_LIST.search(build.read())
    except OSError:
        return []
    return match.group(1).split() if match else []


def violations(root, layers):
    found = []
    for rank, layer in enumerate(layers):
        folder = os.path.join(root, layer)
        for directory, _, files in os.walk(folder):
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, name)
                relative = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        included, target = match.group(1), match.group(2)
                        if target in NEUTRAL or target == layer:
                            continue
                        if target not in layers:
                            found.append(f"{relative}:{number}: includes \"{included}\" from {target}/, which is not a layer")
                        elif layers.index(target) > rank:
                            found.append(f"{relative}:{number}: {layer}/ may not include \"{included}\" ({target}/ is a later layer)")
    return found


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    layers = read_layers(root)
    if not layers:
        print(f"layer check: {os.path.join(root, 'CMakeLists.txt')} sets no KESTRANE_LAYERS")
        return 1
    missing = [layer for layer in layers if not os.path.isdir(os.path.join(root, layer))]
    if missing:
        print(f"layer check: missing folders {', '.join(missing)} under {root}")
        return 1
    found = violations(root, layers)
    for entry in found:
        print(entry)
    print(f"layer check: {len(found)} include(s) against the folder order " + " < ".join(layers))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
