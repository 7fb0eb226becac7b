#!/usr/bin/env python3
"""Assembles the page as one HTML file that needs nothing beside it.

    assemble_page.py WEB_DIR BUNDLE_DIR OUTPUT_HTML

A page opened from a file may load no script, style or worker file, so every
"<!-- inline: FILES -->" line of screen/index.html becomes the files' contents in
a <style> or <script> element, and "<!-- text: FILES -->" their contents as text,
for a worker's script that the page starts from a Blob. FILES are named from
WEB_DIR, or from BUNDLE_DIR as bundle/NAME: the scripts that tools/build-web.sh
bundled from web/'s modules.
"""
import pathlib
import re
import sys


def main():
    web, bundles, output = (pathlib.Path(arg) for arg in sys.argv[1:4])

    def text(name):
        path = bundles / name.removeprefix("bundle/") if name.startswith("bundle/") else web / name
        content = path.read_text(encoding="utf-8")
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

    def as_text(match):
        return "\n".join(text(name) for name in match.group(1).split())

    page = (web / "screen" / "index.html").read_text(encoding="utf-8")
    page = re.sub(r"<!-- inline: ([^>]+?) -->", inline, page)
    page = re.sub(r"<!-- text: ([^>]+?) -->", as_text, page)
    if re.search(r"<!-- (inline|text):", page):
        sys.exit("index.html has a marker this script does not know")
    output.parent.mkdir(parents=True, exist_ok=True)
    output.write_text(page, encoding="utf-8")


if __name__ == "__main__":
    main()
