#!/usr/bin/env python3
"""Prints the folder-level include graph of the tree and checks it against the floors.

Usage: scripts/include-graph.py [SOURCE_ROOT]

Every quoted include is spelled from the source root ("engine/ZipKeep.h"); a bare name
("resource.h") is the including folder's own. Each include becomes an arrow from the room
(folder) of the including file to the room of the included one. The script fails (exit 1)
when an arrow is not in ALLOWED, when an include climbs out with "..", or when the arrows
form a cycle. The build enforces the same rooms through each library's include root; this
check also catches arrows between folders that happen to link each other.
"""

import os
import re
import sys

# Bottom to top. A room may include rooms of its own side on lower floors, as ALLOWED says.
FLOORS = [
    ("ground", ["base/zipcore", "base"]),
    ("engines' shared, program framework", ["dlls/common", "ui"]),
    ("engines, archive component", ["dlls/unzeng", "dlls/zipeng", "dlls/sfx", "dlls/tools",
                                    "engine"]),
    ("windows", ["settings", "windows", "addfiles"]),
    ("wizard", ["wizard"]),
    ("main window", ["mainwindow"]),
    ("program", ["app"]),
    ("program's tools", ["tools", "bench"]),
    ("tests", ["tests"]),
]

GROUND = {"base", "base/zipcore"}
ENGINE_SIDE = GROUND | {"dlls/common"}
PROGRAM = {"ui", "engine", "settings", "windows", "addfiles", "wizard", "mainwindow", "app"}

# Which room may include which (besides itself).
ALLOWED = {
    "base/zipcore": set(),
    "base": {"base/zipcore"},
    "dlls/common": GROUND,
    "dlls/unzeng": ENGINE_SIDE,
    "dlls/zipeng": ENGINE_SIDE,
    "dlls/sfx": ENGINE_SIDE,
    "dlls/tools": ENGINE_SIDE,
    "ui": GROUND,
    "engine": GROUND | {"ui"},
    "settings": GROUND | {"ui"},
    "windows": GROUND | {"ui"},
    "addfiles": GROUND | {"ui", "engine", "settings"},
    "wizard": GROUND | {"ui", "engine", "settings", "windows", "addfiles"},
    "mainwindow": GROUND | {"ui", "engine", "settings", "windows", "addfiles", "wizard"},
    "app": GROUND | PROGRAM - {"app"},
    "tools": GROUND | {"ui", "engine"},
    "bench": GROUND | PROGRAM,
    "tests": None,  # a test may include whatever it tests
}


SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cpp", ".rc")
SKIPPED_DIRS = {".git", "build", "node_modules"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
ROOMS = sorted((r for _, rooms in FLOORS for r in rooms), key=len, reverse=True)


def room_of(path):
    """The room a source-root-relative path belongs to, or None outside every room."""
    for room in ROOMS:
        if path == room or path.startswith(room + "/"):
            return room
    return None


def source_files(root):
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if d not in SKIPPED_DIRS and not d.startswith("build"))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def read_edges(root):
    """{(from_room, to_room): [file:include, ...]} and a list of problems found on the way."""
    edges, problems = {}, []
    for rel in source_files(root):
        here = room_of(rel)
        if here is None:
            continue
        with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for spelled in INCLUDE.findall(text):
            if ".." in spelled.split("/"):
                problems.append(f"{rel}: \"{spelled}\" climbs out of its include root")
                continue
            there = room_of(spelled) if "/" in spelled else here
            if there is None:
                problems.append(f"{rel}: \"{spelled}\" is in no known folder")
                continue
            if there != here:
                edges.setdefault((here, there), []).append(f"{rel}: {spelled}")
    return edges, problems


def find_cycle(arrows):
    """One cycle as a list of rooms, or None."""
    graph = {}
    for a, b in arrows:
        graph.setdefault(a, set()).add(b)
    state, stack = {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def check(root):
    """Returns (report lines, problems)."""
    edges, problems = read_edges(root)
    lines = ["Floors, top to bottom:"]
    for name, rooms in reversed(FLOORS):
        lines.append(f"  {name:38} {'  '.join(rooms)}")
    lines.append("")
    lines.append("Arrows (folder -> folder it includes, number of includes):")
    for (a, b), where in sorted(edges.items()):
        allowed = ALLOWED[a]
        mark = ""
        if allowed is not None and b not in allowed:
            mark = "  AGAINST THE FLOORS"
            problems.append(f"{a} -> {b} goes against the floors, e.g. {where[0]}")
        lines.append(f"  {a:14} -> {b:14} {len(where):3}{mark}")
    cycle = find_cycle(edges)
    if cycle:
        problems.append("cycle: " + " -> ".join(cycle))
    return lines, problems


def main(argv):
    root = os.path.abspath(argv[1] if len(argv) > 1 else
                           os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    lines, problems = check(root)
    print("\n".join(lines))
    for p in problems:
        print("error: " + p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
