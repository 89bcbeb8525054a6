#!/usr/bin/env python3
"""Fails when an #include reaches up or sideways between the engine's rooms.

Each room of engine/ may include only the rooms listed for it below (and
itself); tests/<room>/ may include what its room may. The programs on top
(desktop, component, dvimport, bench) have their own lists. Run from
anywhere: tools/check-layers.py [SOURCE_ROOT]. Exit status 1 and one line
per offending include when the layering is broken.
"""
import os
import re
import sys

# Rooms from the ground up; each lists the rooms below it that it may use.
ROOMS = {
    "base": [],
    "io": ["base"],
    "xml": ["base", "io"],
    "validate": ["base", "io", "xml"],
    "sort": ["base", "io"],
    "db": ["base", "io", "xml"],
    "model": ["base", "io", "xml"],
    "sources": ["base", "io", "xml", "sort", "db", "model"],
    "output": ["base", "io", "xml", "validate", "sort", "model", "sources"],
    "run": ["base", "io", "xml", "validate", "sort", "db", "model", "sources", "output"],
    "import": ["base", "io", "xml", "model"],
    "schema": ["base", "io", "xml", "model"],
    "workbench": ["base", "io", "xml", "validate", "db", "model", "sources", "output", "run"],
}

# What lives on top of the engine. The desktop reaches data (files,
# databases, sources) only through the workbench.
PROGRAMS = {
    "desktop": ["base", "xml", "model", "output", "run", "import", "schema", "workbench"],
    "component": ["base", "model", "run", "schema"],
    "dvimport": ["base", "model", "import"],
    "bench": ["base", "io", "xml", "model", "sources", "output"],
    "runner": ["base"],  # header-only helpers: dvrun links nothing of the engine
    "repair": [],
}

# The desktop program's own rooms, also from the ground up: the controller
# knows no window, the frame knows no page, and only the composition root
# (desktop/DesktopProgram.cpp, main.cpp) knows them all.
DESKTOP_ROOMS = {
    "controller": [],
    "frame": ["controller"],
    "run": ["controller", "frame"],
    "pages": ["controller", "frame"],
    "sheets": ["controller", "frame", "pages"],
}

# Tests of the programs drive them from outside; the runner's tests also
# list the output encodings they try; the end-to-end tests cross the rooms.
TEST_PROGRAMS = {
    "desktop": PROGRAMS["desktop"],
    "component": PROGRAMS["component"],
    "runner": ["base", "xml"],
    # From a schema's import to a validated run.
    "endtoend": ["base", "io", "xml", "model", "import", "schema", "run", "workbench"],
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def allowed_for(path):
    """The room a file belongs to and the rooms it may include; None to skip."""
    parts = path.split("/")
    if parts[0] == "engine" and len(parts) > 2 and parts[1] in ROOMS:
        room = parts[1]
        return room, set(ROOMS[room]) | {room}
    if parts[0] == "tests":
        if len(parts) == 2:  # support headers every test may include
            return "tests", {"base"}
        if parts[1] in ROOMS:
            room = parts[1]
            return "tests/" + room, set(ROOMS[room]) | {room}
        if parts[1] in TEST_PROGRAMS:
            return "tests/" + parts[1], set(TEST_PROGRAMS[parts[1]])
        return None  # fuzz harnesses reach any surface
    if parts[0] in PROGRAMS:
        return parts[0], set(PROGRAMS[parts[0]])
    return None


def desktop_problems(root, path, text, relative_to):
    """Includes of a desktop file (or desktop test) that reach up or sideways
    between the desktop's rooms."""
    parts = path.split("/")
    own = parts[relative_to] if len(parts) > relative_to + 1 else None
    if own not in DESKTOP_ROOMS:
        return []  # the composition root and test helpers see every room
    allowed = set(DESKTOP_ROOMS[own]) | {own}
    problems = []
    for match in INCLUDE.finditer(text):
        target = match.group(1).split("/")
        if (len(target) > 1 and target[0] in DESKTOP_ROOMS and target[0] not in allowed and
                os.path.exists(os.path.join(root, "desktop", match.group(1)))):
            line = text.count("\n", 0, match.start()) + 1
            problems.append(f"{path}:{line}: desktop/{own} may not include "
                            f"\"{match.group(1)}\" (desktop/{target[0]})")
    return problems


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    checked = 0
    for top in ["engine", "tests"] + list(PROGRAMS):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp", ".c")):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                rule = allowed_for(path)
                if rule is None:
                    continue
                who, allowed = rule
                checked += 1
                with open(os.path.join(root, path), encoding="utf-8") as source:
                    text = source.read()
                if path.startswith("desktop/"):
                    problems += desktop_problems(root, path, text, 1)
                for match in INCLUDE.finditer(text):
                    target = match.group(1).split("/")
                    if path.startswith(("desktop/", "tests/desktop/")) and os.path.exists(
                            os.path.join(root, "desktop", match.group(1))):
                        continue  # one of the desktop's own rooms
                    if len(target) > 1 and target[0] in ROOMS and target[0] not in allowed:
                        line = text.count("\n", 0, match.start()) + 1
                        problems.append(f"{path}:{line}: {who} may not include "
                                        f"\"{match.group(1)}\" (room {target[0]})")
    for problem in problems:
        print(problem)
    if problems:
        print(f"check-layers: {len(problems)} include(s) reach up or sideways", file=sys.stderr)
        return 1
    print(f"check-layers: {checked} files, every include reaches down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
