#!/usr/bin/env python3
"""Assembles the page as one HTML file that needs nothing beside it.

    assemble_page.py WEB_DIR CORE_JS OUTPUT_HTML

A page opened from a file may load no script, style or worker file, so every
"<!-- inline: FILES -->" line of screen/index.html becomes the files' contents in
a <style> or <script> element, and "<!-- worker: FILES -->" the worker's script as
text, which the page starts from a Blob. FILES are named from WEB_DIR; two are
made here: ferlane_core.js is CORE_JS, the compiled matting module, and
ferlane_door.js the module's numbers, read from door/ferlane_door.h so that the
page's scripts never hold a copy of their own.
"""
import json
import pathlib
import re
import sys


def door_numbers(header):
    """Every FERLANE_NAME = number of the header's enums, as FERLANE.NAME."""
    text = header.read_text(encoding="utf-8")
    numbers = {}
    for body in re.findall(r"enum \w+ \{(.*?)\};", text, re.DOTALL):
        for name, value in re.findall(r"FERLANE_(\w+)\s*=\s*(-?\d+)", body):
            numbers[name] = int(value)
    if not numbers:
        sys.exit(f"{header} defines no FERLANE_ numbers")
    return f"const FERLANE = Object.freeze({json.dumps(numbers, indent=1)});\n"


def main():
    web, core, output = (pathlib.Path(arg) for arg in sys.argv[1:4])
    made = {"ferlane_core.js": core.read_text(encoding="utf-8"),
            "ferlane_door.js": door_numbers(web / "door" / "ferlane_door.h")}

    def text(name):
        content = made[name] if name in made else (web / name).read_text(encoding="utf-8")
        # Inside a <script> or <style> element this would end it early.
        if re.search(r"</(script|style)", content, re.IGNORECASE):
            sys.exit(f"{name} contains a closing </script> or </style> tag")
        return content

    def inline(match):
        names = match.group(1).split()
        joined = "\n".join(text(name) for name in names)
        if all(name.endswith(".css") for name in names):
            return f"<style>\n{joined}</style>"
        return f"<script>\n{joined}</script>"

    def worker(match):
        return "\n".join(text(name) for name in match.group(1).split())

    page = (web / "screen" / "index.html").read_text(encoding="utf-8")
    page = re.sub(r"<!-- inline: ([^>]+?) -->", inline, page)
    page = re.sub(r"<!-- worker: ([^>]+?) -->", worker, page)
    output.parent.mkdir(parents=True, exist_ok=True)
    output.write_text(page, encoding="utf-8")


if __name__ == "__main__":
    main()
