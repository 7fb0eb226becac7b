#!/usr/bin/env python3
"""Checks the cutout and the composite that the README's commands made in DIRECTORY.

    check_cutout.py DIRECTORY

subject.png must carry alpha.bmp as its alpha channel and fg.bmp's colours
wherever alpha is above zero; composite.png must be subject.png laid over
new-background.png, centred, as computed here independently of ImageMagick:
out = (a * F + (255 - a) * B) / 255 for each channel. ImageMagick computes it at
16 bits and stores 8, so a mixed pixel may come out one level below the nearest
whole value; fully opaque and fully transparent pixels must match exactly.
"""
import sys
from pathlib import Path

from PIL import Image


def pixels(image):
    return list(image.getdata())


def main(directory):
    folder = Path(directory)
    alpha = Image.open(folder / "alpha.bmp").convert("RGB")
    foreground = Image.open(folder / "fg.bmp").convert("RGB")
    subject = Image.open(folder / "subject.png")
    failures = []
    if subject.mode != "RGBA":
        failures.append(f"subject.png is {subject.mode}, not RGBA")
    if subject.size != alpha.size:
        failures.append(f"subject.png is {subject.size}, the matte {alpha.size}")
    if failures:
        return failures

    cut = pixels(subject)
    matte = [value[0] for value in pixels(alpha)]
    colours = pixels(foreground)
    wrong_alpha = sum(1 for c, a in zip(cut, matte) if c[3] != a)
    wrong_colour = sum(1 for c, a, f in zip(cut, matte, colours) if a > 0 and c[:3] != f)
    if wrong_alpha:
        failures.append(f"{wrong_alpha} pixels of subject.png's alpha differ from alpha.bmp")
    if wrong_colour:
        failures.append(f"{wrong_colour} pixels of subject.png's colours differ from fg.bmp")

    background = Image.open(folder / "new-background.png").convert("RGB")
    composite = Image.open(folder / "composite.png").convert("RGB")
    if composite.size != background.size:
        failures.append(f"composite.png is {composite.size}, the new background {background.size}")
        return failures
    left = (background.width - subject.width) // 2
    top = (background.height - subject.height) // 2
    got = composite.load()
    beyond_rounding = 0
    inexact_pure = 0
    for y in range(subject.height):
        for x in range(subject.width):
            f = cut[y * subject.width + x]
            b = background.getpixel((left + x, top + y))
            a = f[3]
            for c in range(3):
                exact = (a * f[c] + (255 - a) * b[c]) / 255
                actual = got[left + x, top + y][c]
                if abs(actual - exact) >= 1:
                    beyond_rounding += 1
                if a in (0, 255) and actual != round(exact):
                    inexact_pure += 1
    if beyond_rounding:
        failures.append(f"{beyond_rounding} channel values of composite.png are a level or more from the"
                        " independent composite")
    if inexact_pure:
        failures.append(f"{inexact_pure} channel values of composite.png differ where alpha is 0 or 255")
    return failures


if __name__ == "__main__":
    problems = main(sys.argv[1])
    for problem in problems:
        print("check_cutout:", problem, file=sys.stderr)
    if problems:
        sys.exit(1)
    print("subject.png carries alpha.bmp and fg.bmp exactly; composite.png matches the independent composite")
