#!/usr/bin/env python3
"""Assembles the page as one HTML file that needs nothing beside it.

    assemble_page.py WEB_DIR CORE_JS OUTPUT_HTML

A page opened from a file may load no script, style or worker file, so every
"<!-- inline: FILES -->" line of index.html becomes the files' contents in a
<style> or <script> element, and "<!-- worker: FILES -->" the worker's script as
text, which the page starts from a Blob. CORE_JS is the compiled matting module.
"""
import pathlib
import re
import sys


def main():
    web, core, output = (pathlib.Path(arg) for arg in sys.argv[1:4])
    sources = {"ferlane_core.js": core}

    def text(name):
        content = (sources.get(name) or web / name).read_text(encoding="utf-8")
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

    page = (web / "index.html").read_text(encoding="utf-8")
    page = re.sub(r"<!-- inline: ([^>]+?) -->", inline, page)
    page = re.sub(r"<!-- worker: ([^>]+?) -->", worker, page)
    output.parent.mkdir(parents=True, exist_ok=True)
    output.write_text(page, encoding="utf-8")


if __name__ == "__main__":
    main()
