#!/usr/bin/python3
"""Fails when a source file includes something its layer must not use.

usage: check_layers.py SRC_DIR MANIFEST

The manifest (written by the build) holds one line a library:
    <layer> <source dir> <source> <source> ...
Each .cpp belongs to the layer of the library that compiles it; a header to the
layer of its .cpp of the same name, else to the usual layer of its folder.
"""
import os
import re
import sys

# Lowest first; a layer may include its own and the ones before it.
ORDER = ["platform", "core", "gl", "program"]
LIBRARY_LAYER = {"velmor_platform": "platform", "velmor_core": "core",
                 "velmor_gl": "gl", "velmor_app": "program"}
FOLDER_LAYER = {"platform": "platform", "platform/glyphs": "gl",
                "app": "program", "dialogs": "program"}
DEFAULT_LAYER = "core"

# Outside headers, by the lowest layer allowed to use them.
OUTSIDE = [
    (re.compile(r"^(Qt\w*/|Q[A-Z]\w*$)"), "program", "Qt"),
    (re.compile(r"^(GL/|EGL/|GLES)"), "gl", "OpenGL"),
    (re.compile(r"^(ft2build\.h|freetype/|fontconfig/)"), "gl", "FreeType/fontconfig"),
]
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def read_manifest(path):
    layer_of = {}
    with open(path, encoding="utf-8") as manifest:
        for line in manifest:
            words = line.split()
            if len(words) < 2:
                continue
            layer, base = LIBRARY_LAYER[words[0]], words[1]
            for source in words[2:]:
                full = os.path.abspath(os.path.join(base, source))
                layer_of[full] = layer
    return layer_of


def layer_of_file(path, src, compiled):
    if path in compiled:
        return compiled[path]
    stem, ext = os.path.splitext(path)
    if ext != ".cpp" and stem + ".cpp" in compiled:
        return compiled[stem + ".cpp"]
    folder = os.path.relpath(os.path.dirname(path), src)
    if folder in FOLDER_LAYER:
        return FOLDER_LAYER[folder]
    if os.path.basename(stem).endswith("GL"):
        return "gl"
    return DEFAULT_LAYER


def check(src, compiled):
    faults = []
    for folder, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.normpath(os.path.join(folder, name))
            if name.endswith(".cpp") and path not in compiled and name != "main.cpp":
                faults.append(f"{os.path.relpath(path, src)}: compiled by no library")
                continue
            layer = layer_of_file(path, src, compiled)
            rank = ORDER.index(layer)
            with open(path, encoding="utf-8") as source:
                text = source.read()
            for line_number, (kind, target) in included(text):
                where = f"{os.path.relpath(path, src)}:{line_number}"
                if kind == '"':
                    full = os.path.normpath(os.path.join(src, target))
                    if not os.path.exists(full):
                        full = os.path.normpath(os.path.join(folder, target))
                    if not os.path.exists(full):
                        continue
                    other = layer_of_file(full, src, compiled)
                    if ORDER.index(other) > rank:
                        faults.append(f"{where}: {layer} file includes {target} ({other})")
                    continue
                for pattern, lowest, what in OUTSIDE:
                    if pattern.search(target) and ORDER.index(lowest) > rank:
                        faults.append(f"{where}: {layer} file includes {what} header <{target}>")
    return faults


def included(text):
    for match in INCLUDE.finditer(text):
        yield text.count("\n", 0, match.start()) + 1, (match.group(1), match.group(2))


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    src = os.path.abspath(sys.argv[1])
    faults = check(src, read_manifest(sys.argv[2]))
    for fault in faults:
        print(fault)
    print(f"{len(faults)} include(s) against the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
