#!/usr/bin/env python3
"""Which module of the window program includes which, and whether some of
them include each other in a circle. A module is a .cpp/.h pair in the
folder; an include of another module's header is an edge. Prints each
module with the modules it includes, lowest modules first, then every group
of modules that reach each other, and exits 1 when there is one.
Usage: include_layers.py FOLDER"""
import re
import sys
from pathlib import Path

folder = Path(sys.argv[1])
sources = [path for path in folder.iterdir() if path.suffix in (".h", ".cpp")]
edges = {path.stem: set() for path in sources}
for path in sources:
    for header in re.findall(r'^#include "([^"]+)\.h"', path.read_text(encoding="utf-8"), re.M):
        if header in edges and header != path.stem:
            edges[path.stem].add(header)

# Tarjan's strongly connected components; each is finished after every
# component it reaches, so they come out lowest first.
index, low, stack, groups = {}, {}, [], []
def visit(module):
    index[module] = low[module] = len(index)
    stack.append(module)
    for below in edges[module]:
        if below not in index:
            visit(below)
            low[module] = min(low[module], low[below])
        elif below in stack:
            low[module] = min(low[module], index[below])
    if low[module] == index[module]:
        group = []
        while not group or group[-1] != module:
            group.append(stack.pop())
        groups.append(sorted(group))

for module in sorted(edges):
    if module not in index:
        visit(module)
circles = [group for group in groups if len(group) > 1]
for group in groups:
    for module in group:
        print(f"{module}: {' '.join(sorted(edges[module])) or '-'}")
for group in circles:
    print(f"circle of {len(group)} modules: {' '.join(group)}", file=sys.stderr)
sys.exit(1 if circles else 0)
