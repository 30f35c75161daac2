#!/usr/bin/env python3
"""Checks that every quoted #include of the source tree points down the layers.

Usage: check-layers.py [SOURCE_ROOT]

Every target sees the whole source root as its include directory, so an include of a
header-only type from a higher layer would still compile: this check keeps the layers
honest. A file may include files of its own layer and of the layers below it, as the CMake
targets of the layers link each other; an include of a higher layer, or of a layer beside
it (timers/ and softphone/, say), is reported with its file and line, and the check fails.
"""
import os
import re
import sys

# Each layer with the folders it holds and the layers it builds on directly, lowest first.
# A file belongs to the layer of the longest folder that holds it.
LAYERS = [
    ("platform", ["platform"], []),
    ("host", ["host"], ["platform"]),
    ("timers", ["timers"], ["host"]),
    ("softphone", ["softphone"], ["host"]),
    ("explorer", ["explorer"], ["timers", "softphone"]),
    ("addin", ["addin"], ["explorer"]),
    # The implementations of the platform's services and of the host's objects: each knows
    # the interfaces it implements, and nothing of the add-in above them.
    ("platform/posix", ["platform/posix"], ["platform"]),
    ("platform/win32", ["platform/win32"], ["platform"]),
    ("resources", ["resources"], ["platform"]),
    ("host/dispatch", ["host/dispatch"], ["host", "platform/win32"]),
    # The shipped DLL.
    ("addin/win32", ["addin/win32"], ["addin", "host/dispatch", "platform/win32", "resources"]),
    # The harness beside the product: the simulated Outlook implements the host's interfaces
    # (its XML parser on Windows is the system's, reached through COM); the programs over it
    # run the core in it, or the DLL through COM, their COM objects made with the harness's
    # server kit (harness/com) over the product's.
    ("harness/outlook", ["harness/outlook"], ["host"]),
    ("harness/outlook/win32", ["harness/outlook/win32"], ["harness/outlook", "platform/win32"]),
    ("harness", ["harness", "harness/com"], ["addin", "harness/outlook/win32", "host/dispatch",
                                             "platform/posix", "platform/win32", "resources"]),
    # The build machine's tools, and the tests over all of it.
    ("tools", ["tools"], ["addin"]),
    ("tests", ["tests"], ["harness", "tools", "addin/win32"]),
]

SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cpp", ".in", ".rc", ".idl")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def reachable(layers):
    """For each layer, every layer it may include: itself and all below it."""
    uses = {name: set(below) for name, _, below in layers}
    closure = {}
    for name in uses:
        seen, todo = {name}, list(uses[name])
        while todo:
            layer = todo.pop()
            if layer not in seen:
                seen.add(layer)
                todo.extend(uses[layer])
        closure[name] = seen
    return closure


def layer_of(path, folders):
    best = None
    for folder, name in folders:
        if (path == folder or path.startswith(folder + "/")) and (
                best is None or len(folder) > len(best[0])):
            best = (folder, name)
    return best[1] if best else None


def sources(root, folders):
    tops = sorted({folder.split("/")[0] for folder, _ in folders})
    for top in tops:
        for directory, subdirectories, files in os.walk(os.path.join(root, top)):
            subdirectories[:] = sorted(d for d in subdirectories if not d.startswith("."))
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    path = os.path.join(directory, name)
                    yield os.path.relpath(path, root).replace(os.sep, "/")


def resolve(root, including, included):
    """The included file as a path from the root: next to the including file first, as the
    compiler looks, then from the root. None for a file that is not in the tree."""
    for base in (os.path.dirname(including), ""):
        candidate = os.path.normpath(os.path.join(base, included)).replace(os.sep, "/")
        if not candidate.startswith("..") and os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def violations(root):
    folders = [(folder, name) for name, held, _ in LAYERS for folder in held]
    allowed = reachable(LAYERS)
    for path in sources(root, folders):
        layer = layer_of(path, folders)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = resolve(root, path, match.group(1))
                other = layer_of(target, folders) if target else None
                if other is None or other in allowed[layer]:
                    continue
                how = "a higher layer" if layer in allowed[other] else "a layer beside it"
                yield f"{path}:{number}: includes {target}: {layer} may not include {other} ({how})"


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    found = list(violations(root))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the layers", file=sys.stderr)
        return 1
    print("every include points down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
