#!/usr/bin/env python3
"""Keeps the include graph in the shape of the layers.

    check-includes.py [SOURCE_ROOT]

Fails when a source file includes a header from a layer above its own, or
when units include each other in a circle (a unit being the .h and .cpp of
one name). Layers, lowest first: platform, util, geo, then export and
environment side by side, convert, then app and cli side by side. tests/,
fuzz/, bench/ and examples/ may include anything, but take part in no circle.
"""

import re
import sys
from pathlib import Path

RANKS = {"platform": 0, "util": 1, "geo": 2, "export": 3, "environment": 3, "convert": 4, "app": 5, "cli": 5}
FREE = {"tests", "fuzz", "bench", "examples"}
SUFFIXES = {".h", ".cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/([^"]+)"', re.MULTILINE)


def unit_of(path: Path) -> str:
    """The unit a file belongs to: its folder path and name without suffix."""
    return str(path.with_suffix(""))


def main() -> int:
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    problems = []
    graph: dict[str, set[str]] = {}

    for folder in sorted(RANKS.keys() | FREE):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SUFFIXES or not path.is_file():
                continue
            relative = path.relative_to(root)
            unit = unit_of(relative)
            graph.setdefault(unit, set())
            for target_folder, rest in INCLUDE.findall(path.read_text(encoding="utf-8")):
                target = unit_of(Path(target_folder) / rest)
                if target != unit:
                    graph[unit].add(target)
                if folder in RANKS and target_folder in RANKS and RANKS[target_folder] > RANKS[folder]:
                    problems.append(f"{relative}: includes {target_folder}/{rest} from a layer above {folder}/")
                elif folder in RANKS and RANKS.get(target_folder) == RANKS[folder] and target_folder != folder:
                    problems.append(f"{relative}: includes {target_folder}/{rest} from {target_folder}/, "
                                    f"a layer beside {folder}/")
                elif folder in RANKS and target_folder in FREE:
                    problems.append(f"{relative}: includes {target_folder}/{rest}, which no layer may use")

    problems += [f"units include each other in a circle: {' -> '.join(circle)}" for circle in circles(graph)]
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


def circles(graph: dict[str, set[str]]) -> list[list[str]]:
    """One circle through each strongly connected group of units (Tarjan)."""
    index: dict[str, int] = {}
    low: dict[str, int] = {}
    stack: list[str] = []
    on_stack: set[str] = set()
    found = []

    def visit(unit: str) -> None:
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on_stack.add(unit)
        for target in sorted(graph.get(unit, ())):
            if target not in index:
                visit(target)
                low[unit] = min(low[unit], low[target])
            elif target in on_stack:
                low[unit] = min(low[unit], index[target])
        if low[unit] == index[unit]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == unit:
                    break
            if len(group) > 1:
                found.append(circle_within(graph, set(group)))

    for unit in sorted(graph):
        if unit not in index:
            visit(unit)
    return found


def circle_within(graph: dict[str, set[str]], group: set[str]) -> list[str]:
    """A path from the group's first unit back to itself, inside the group."""
    start = min(group)
    came_from = {start: None}
    queue = [start]
    while queue:
        unit = queue.pop(0)
        for target in sorted(graph[unit] & group):
            if target == start:
                path = [unit]
                while came_from[path[-1]] is not None:
                    path.append(came_from[path[-1]])
                return path[::-1] + [start]
            if target not in came_from:
                came_from[target] = unit
                queue.append(target)
    return sorted(group)


if __name__ == "__main__":
    sys.exit(main())
