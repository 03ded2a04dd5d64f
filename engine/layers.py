#!/usr/bin/env python3
"""Whether the engine's floors include only downwards. Each folder of the
engine is a floor, lowest first in FLOORS; a file may include a header of its
own floor or of one below, always written from the engine's root
("base/dib.h"). Prints each include that climbs a floor, names no floor, or
names a header that does not exist, and exits 1 when there is one.
Usage: layers.py ENGINE_FOLDER"""
import re
import sys
from pathlib import Path

FLOORS = ["base", "kernels", "codecs", "pipeline", "document"]

engine = Path(sys.argv[1])
faults = []
for path in sorted(engine.rglob("*")):
    if path.suffix not in (".h", ".cpp"):
        continue
    floor = path.relative_to(engine).parts[0]
    if floor not in FLOORS:
        faults.append(f"{path}: outside every floor")
        continue
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        match = re.match(r'#include "([^"]+)"', line)
        if not match:
            continue
        header = match.group(1)
        above = header.split("/")[0]
        if above not in FLOORS or not (engine / header).is_file():
            faults.append(f"{path}:{number}: {header} is no header of a floor")
        elif FLOORS.index(above) > FLOORS.index(floor):
            faults.append(f"{path}:{number}: {floor}/ includes {header} from a floor above")
for fault in faults:
    print(fault, file=sys.stderr)
sys.exit(1 if faults else 0)
