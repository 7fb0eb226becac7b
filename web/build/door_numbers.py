#!/usr/bin/env python3
"""Writes the matting module's numbers as a JavaScript module for the page's scripts.

    door_numbers.py FERLANE_DOOR_H OUTPUT_JS [SCRIPTS_DIR]

Every entry of every enum in the header must be a plain "FERLANE_NAME = number":
anything else stops the build, so that no number the scripts use is silently
missing. The module's default export maps NAME to its number (web/shared/door.js
makes reading an unknown name throw). Given SCRIPTS_DIR, every FERLANE.NAME its
.js files read must be in the header too: a mistyped name stops the build, even
one read only on a rare path.
"""
import json
import pathlib
import re
import sys

ENTRY = re.compile(r"FERLANE_(\w+)\s*=\s*(-?\d+)")


def door_numbers(text):
    """Every FERLANE_NAME = number of the header's enums, by NAME; ValueError names an entry it cannot read."""
    text = re.sub(r"/\*.*?\*/|//[^\n]*", "", text, flags=re.DOTALL)
    numbers = {}
    for enum, body in re.findall(r"\benum\s+(\w+)\s*\{(.*?)\}", text, re.DOTALL):
        for entry in filter(None, (entry.strip() for entry in body.split(","))):
            match = ENTRY.fullmatch(entry)
            if not match:
                raise ValueError(f"enum {enum}: {' '.join(entry.split())!r} is no FERLANE_NAME = number")
            name, value = match.groups()
            if name in numbers:
                raise ValueError(f"enum {enum}: FERLANE_{name} is defined twice")
            numbers[name] = int(value)
    if not numbers:
        raise ValueError("no FERLANE_ numbers")
    return numbers


def unknown_names(scripts, numbers):
    """Each FERLANE.NAME read in the scripts below `scripts` that the header lacks, with its file
    (a comment's FERLANE.PART_* names a group, not a number)."""
    return sorted({f"{path}: FERLANE.{name}" for path in scripts.rglob("*.js")
                   for name in re.findall(r"\bFERLANE\.(\w+)(?![\w*])", path.read_text(encoding="utf-8"))
                   if name not in numbers})


def main():
    header, output = (pathlib.Path(arg) for arg in sys.argv[1:3])
    try:
        numbers = door_numbers(header.read_text(encoding="utf-8"))
    except ValueError as error:
        sys.exit(f"{header}: {error}")
    if len(sys.argv) > 3:
        unknown = unknown_names(pathlib.Path(sys.argv[3]), numbers)
        if unknown:
            sys.exit(f"not in {header}:\n  " + "\n  ".join(unknown))
    output.parent.mkdir(parents=True, exist_ok=True)
    output.write_text(f"// Made from {header.name} by web/build/door_numbers.py: change the header, not this.\n"
                      f"export default {json.dumps(numbers, indent=2)};\n", encoding="utf-8")


if __name__ == "__main__":
    main()
