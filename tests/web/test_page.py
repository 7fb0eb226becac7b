#!/usr/bin/python3
"""The browser page against the console tool: one table of cases, run in
Chromium, Firefox and WebKitGTK, each with the page opened from a file and from
a server.

    test_page.py PAGE_HTML FERLANE [--engines chromium firefox webkit]
                 [--origins file served] [--screenshot PNG] [--shots FOLDER]

Every run of the page is compared with the console tool's run on the same
pictures (other formats converted as the README says). Every request any part of
a browser makes is heard by the recorder that serves the page. Ends with
"N passed, N failed", a case counted once for each engine and origin.
"""
import argparse
import base64
import io
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
import types
import zipfile

from PIL import Image, ImageChops

from browser import ENGINES, Recorder, page_side

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
SHOTS = ("bg0", "image0", "bg1", "image1")
SLOT_OF_SHOT = {"bg0": "background0", "image0": "image0", "bg1": "background1", "image1": "image1"}
ALL_SAVES = ("alpha", "error", "fg", "subject", "composite")
CONSOLE_STEPS = ['read background0 "{bg0}"', 'read image0 "{image0}"', 'read background1 "{bg1}"',
                 'read image1 "{image1}"', "reconstruct alpha", 'write alpha "alpha.bmp"',
                 'write calculation error "error.bmp"', "reconstruct foreground", 'write foreground "fg.bmp"']
# What the probe page requests, from the page and from its worker: loopback, on a
# port where nothing listens, so that only a recorder that hears everything hears it.
PROBES = ("http://127.0.0.1:8/page-probe", "http://127.0.0.1:8/worker-probe")
NOTES = page_side("notes")
SETTLED_STATE = page_side("settled_state")


def convert(*arguments):
    subprocess.run(["convert", *map(str, arguments)], check=True)


class Scene:
    """Pictures made once in a scratch folder, and the console tool's runs on
    them, each made once for all engines."""

    def __init__(self, folder, ferlane):
        self.folder = pathlib.Path(folder)
        self.ferlane = ferlane
        self.runs = {}
        self.bmp = {shot: EXAMPLES / f"{shot}.bmp" for shot in SHOTS}
        self.png = self.copies("png")
        self.jpeg = self.copies("jpg", "-quality", "95")
        # BMP copies at three times the size: the page computes them in several
        # bands of rows, the top one shorter than the rest.
        self.large = self.copies("bmp", "-resize", "300%", prefix="large-", kind_prefix="BMP3:")
        # BMP copies larger than the 32 MiB the page's worker reads of a file at a
        # time (the page reads 8 MiB), the end of a piece inside a row; and copies of an odd width, whose
        # rows are padded to four bytes.
        self.beyond_piece = self.copies("bmp", "-resize", "4001x2800!", prefix="beyond-", kind_prefix="BMP3:")
        self.odd_width = self.copies("bmp", "-resize", "321x240!", prefix="odd-", kind_prefix="BMP3:")
        # JPEG copies tagged as taken with the camera turned: ImageMagick 6 writes
        # no orientation tag into a JPEG made from a BMP, so Pillow makes them.
        self.rotated = {}
        for shot in SHOTS:
            self.rotated[shot] = self.folder / f"rotated-{shot}.jpg"
            tags = Image.Exif()
            tags[0x0112] = 6  # the orientation: turn right to show
            Image.open(self.bmp[shot]).save(self.rotated[shot], quality=95, exif=tags)
        # PNG copies whose opacity runs from 0 to 255 across the picture: their
        # colours, as stored, are what counts.
        self.transparent = {}
        for shot in SHOTS:
            self.transparent[shot] = self.folder / f"transparent-{shot}.png"
            picture = Image.open(self.bmp[shot]).convert("RGBA")
            picture.putalpha(Image.linear_gradient("L").rotate(90).resize(picture.size))
            picture.save(self.transparent[shot])
        self.cmyk = self.copies("jpg", "-colorspace", "CMYK", prefix="cmyk-")
        # 16 bits a sample, most values between two 8-bit ones, where cutting and
        # rounding differ.
        self.png16 = self.copies("png", "-depth", "16", "-evaluate", "add", "200", "-evaluate", "multiply", "0.999",
                                 prefix="deep-", kind_prefix="PNG48:")
        # Red, green and blue differ, so a matte taken from the wrong channel shows.
        self.matte = self.folder / "matte.bmp"
        convert(self.large["image0"], "-channel", "G", "-negate", f"BMP3:{self.matte}")

    def copies(self, kind, *options, prefix="", kind_prefix=""):
        made = {}
        for shot in SHOTS:
            made[shot] = self.folder / f"{prefix}{shot}.{kind}"
            convert(self.bmp[shot], *options, f"{kind_prefix}{made[shot]}")
        return made

    def file(self, name, content):
        path = self.folder / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content)
        return path

    def as_bmp(self, pictures):
        """The README's conversion to BMP, for the console tool."""
        converted = {}
        for shot, path in pictures.items():
            converted[shot] = path.with_name(f"{path.name}.bmp")
            if not converted[shot].exists():
                convert(path, "-auto-orient", "-alpha", "off", "-depth", "8", "-type", "TrueColor",
                        f"BMP3:{converted[shot]}")
        return converted

    def console(self, pictures, alpha=None, backdrop=False):
        """The folder of the console tool's run."""
        key = (tuple(sorted(pictures.items())), alpha, backdrop)
        if key not in self.runs:
            out = self.folder / f"console-{len(self.runs)}"
            out.mkdir()
            images = ("bg0", "bg1") if backdrop else ("image0", "image1")
            arguments = [self.ferlane, f"--Background0={pictures['bg0']}", f"--Background1={pictures['bg1']}",
                         f"--Image0={pictures[images[0]]}", f"--Image1={pictures[images[1]]}"]
            if alpha:
                arguments.append(f"--Alpha={alpha}")
            subprocess.run(arguments, cwd=out, check=True, stdout=subprocess.DEVNULL)
            self.runs[key] = out
        return self.runs[key]

    def readme(self, name, files):
        """The folder where the README's checked commands NAME ran, as a user runs
        them, over FILES (name there -> path here)."""
        key = ("readme", name, tuple(sorted(files.items())))
        if key not in self.runs:
            out = self.folder / f"readme-{len(self.runs)}"
            out.mkdir()
            for there, here in files.items():
                shutil.copy(here, out / there)
            commands = subprocess.run(["bash", "-c", 'source tools/lib.sh && readme_commands "$0"', name], cwd=ROOT,
                                      check=True, capture_output=True, text=True).stdout
            path = f"{self.ferlane.parent}{os.pathsep}{os.environ['PATH']}"
            subprocess.run(["bash", "-uo", "pipefail", "-c", commands], cwd=out, check=True,
                           env={**os.environ, "PATH": path}, stdout=subprocess.DEVNULL)
            self.runs[key] = out
        return self.runs[key]


class Session:
    """One engine's browser, the page's address from one origin, and what each case needs."""

    def __init__(self, page, origin, urls, recorder, scene, folder, shots=None):
        self.page, self.origin, self.urls, self.recorder = page, origin, urls, recorder
        self.scene, self.folder, self.shots = scene, folder, shots
        self.url = urls["/index.html"]
        self.heard_from = len(recorder.heard)  # what the recorder heard in this origin's cases

    def run(self, pictures, by="input", url=None):
        """Opens the page, gives it the pictures (box -> path) and waits for the run's end."""
        self.page.open(url or self.url)
        self.page.give(pictures, by)
        return self.page.wait()

    def save(self, names):
        return self.page.save(names, tempfile.mkdtemp(dir=self.folder))


def slots(pictures):
    return {SLOT_OF_SHOT[shot]: path for shot, path in pictures.items()}


def slots_of(pictures, *shots):
    return {shot: pictures[shot] for shot in shots}


def assert_equal(actual, expected, what):
    if actual != expected:
        raise AssertionError(f"{what}: {actual!r}, expected {expected!r}")


def assert_same_bytes(saved, console, names):
    for name in names:
        expected = console / f"{name}.bmp"
        if saved[name].read_bytes() != expected.read_bytes():
            difference = max(high for _, high in ImageChops.difference(
                Image.open(saved[name]).convert("RGB"), Image.open(expected).convert("RGB")).getextrema())
            raise AssertionError(f"{name}.bmp differs from the console tool's (by up to {difference} a channel)")


def assert_subject(png, fg, alpha):
    """subject.png is RGBA with alpha.bmp as opacity and fg.bmp's colours where it is above 0."""
    subject = Image.open(png)
    assert_equal(subject.mode, "RGBA", "subject.png's mode")
    fg = Image.open(fg).convert("RGB")
    assert_equal(subject.size, fg.size, "subject.png's size")
    opacity = subject.getchannel("A")
    if ImageChops.difference(opacity, Image.open(alpha).getchannel("R")).getbbox():
        raise AssertionError("subject.png's alpha differs from alpha.bmp's")
    visible = opacity.point(lambda a: 255 if a > 0 else 0)
    differing = ImageChops.difference(subject.convert("RGB"), fg)
    if Image.composite(differing, Image.new("RGB", fg.size), visible).getbbox():
        raise AssertionError("subject.png's colours differ from fg.bmp's where alpha > 0")


def notes(s):
    """The boxes' notes, by box, where there is one."""
    return dict(s.page.call(NOTES))


def whole_run(s, pictures, expected_notes=None):
    """The four pictures in the page give the console tool's three files, byte for
    byte, on them or on their BMP conversions, and the PNG, with the shares of
    the error map shown and no box's note but those expected. Each engine's
    decoder and ImageMagick's give the same pixels for these JPEGs and PNGs: any
    difference is a fault."""
    state, message, steps = s.run(slots(pictures))
    assert_equal(state, "done", f"the run's end ({message})")
    names = {shot: path.name for shot, path in pictures.items()}
    assert_equal(steps, [step.format(**names) for step in CONSOLE_STEPS], "the steps")
    assert_equal(len(re.findall(r"[\d.]+ %", s.page.text("#shares"))), 3, "the shares shown")
    assert_equal(notes(s), expected_notes or {}, "the boxes' notes")
    assert_equal(s.page.offered_saves(), set(ALL_SAVES), "the save buttons")
    saved = s.save(ALL_SAVES)
    bmp = all(path.suffix == ".bmp" for path in pictures.values())
    assert_same_bytes(saved, s.scene.console(pictures if bmp else s.scene.as_bmp(pictures)), ("alpha", "error", "fg"))
    assert_subject(saved["subject"], saved["fg"], saved["alpha"])
    return saved


def case_transparent_png(s):
    whole_run(s, s.scene.transparent,
              {box: "its transparency is dropped, its colours are kept as stored" for box in slots(s.scene.bmp)})


def case_cmyk_jpeg(s):
    """A CMYK JPEG runs, and its box says why the results may differ from the
    console tool's on the README's conversion."""
    state, message, _ = s.run(slots(s.scene.cmyk))
    assert_equal(state, "done", f"the run's end ({message})")
    if set(notes(s)) != set(slots(s.scene.cmyk)) or not all(note.startswith("a CMYK JPEG: ")
                                                            for note in notes(s).values()):
        raise AssertionError(f"the boxes' notes: {notes(s)}")


def case_rotated_jpeg(s):
    saved = whole_run(s, s.scene.rotated)
    assert_equal(Image.open(saved["fg"]).size, Image.open(s.scene.bmp["bg0"]).size[::-1], "the result's size")


def case_alpha_file_dropped(s):
    """All five files dropped, as a person drops them; an alpha file's red channel
    is the matte: no alpha computed, no error map."""
    pictures = s.scene.large
    state, message, steps = s.run({**slots(pictures), "alpha": s.scene.matte}, by="drop")
    assert_equal(state, "done", f"the run's end ({message})")
    assert_equal(steps[4:], ['read alpha "matte.bmp"', "reconstruct foreground", 'write foreground "fg.bmp"'],
                 "the steps after the four pictures")
    assert_equal(s.page.offered_saves(), {"fg", "subject", "composite"}, "the save buttons")
    saved = s.save(("fg", "subject"))
    assert_same_bytes(saved, s.scene.console(pictures, alpha=s.scene.matte), ("fg",))
    assert_subject(saved["subject"], saved["fg"], s.scene.matte)


def case_backdrop_check(s):
    """Two backgrounds alone give the console tool's error map for them, and its
    shares; without a background there is nothing to show."""
    pictures = {shot: s.scene.bmp[shot] for shot in ("bg0", "bg1")}
    state, message, steps = s.run(slots(pictures))
    assert_equal(state, "done", f"the check's end ({message})")
    assert_equal(steps, ['read background0 "bg0.bmp"', 'read background1 "bg1.bmp"', "reconstruct alpha",
                         'write calculation error "error.bmp"'], "the steps")
    assert_equal(s.page.offered_saves(), {"error"}, "the save buttons")
    saved = s.save(("error",))
    console = s.scene.console(pictures, backdrop=True)
    assert_same_bytes(saved, console, ("error",))
    errors = list(Image.open(console / "error.bmp").getchannel("R").getdata())
    expected = [100 * sum(1 for e in errors if test(e)) / len(errors)
                for test in (lambda e: e == 0, lambda e: 0 < e <= 128, lambda e: e == 255)]
    shown = [float(p) for p in re.findall(r"([\d.]+) %", s.page.text("#shares"))]
    if len(shown) != 3 or any(abs(a - e) > 0.051 for a, e in zip(shown, expected)):
        raise AssertionError(f"shares shown {shown}, expected {expected}")
    # The example's backgrounds are equal in their bottom rows.
    verdict = s.page.call("() => { const verdict = document.getElementById('verdict');"
                          " return [verdict.dataset.verdict, verdict.textContent]; }")
    if verdict[0] != "unresolved" or "too close along the bottom" not in verdict[1]:
        raise AssertionError(f"the verdict: {verdict}")
    s.page.click('.slot[data-slot="background1"] .clear')
    state = s.page.call(SETTLED_STATE)
    assert_equal((state, s.page.shown("#results")), ("idle", []),
                 "the state and the results shown, a background removed")


AXE = pathlib.Path(__file__).resolve().parent / "node_modules" / "axe-core" / "axe.min.js"
AXE_RUN = page_side("axe_run")


def case_accessible(s):
    """axe-core finds nothing in the page's states: a backdrop check with its
    verdict, a refused picture, a whole run with all its results."""
    source = AXE.read_text(encoding="utf-8")
    pictures = slots(s.scene.bmp)
    notes_file = s.scene.file("notes.jpg", b"not a picture\n")
    for what, given, expected in (
            ("a backdrop check", {box: pictures[box] for box in ("background0", "background1")}, "done"),
            ("a refused picture", {**pictures, "image1": notes_file}, "failed"),
            ("a whole run", pictures, "done")):
        state, message, _ = s.run(given)
        assert_equal(state, expected, f"{what}'s end ({message})")
        found = s.page.call(AXE_RUN, source)
        if found:
            raise AssertionError(f"{what}: " + "\n".join(found))


FOCUSED = page_side("focused")


def tab_to(s, selector, start=None):
    """Presses Tab until the control the selector finds has the focus (from the
    control `start` finds, focused first); returns the names of the controls
    passed, each checked to show its focus."""
    if start:
        s.page.call("(selector) => document.querySelector(selector).focus()", start)
    else:
        s.page.press("Tab")
    names = []
    for _ in range(40):
        name, visible, found = s.page.call(FOCUSED, selector)
        if not visible:
            raise AssertionError(f"the focus on {name!r} does not show")
        names.append(name)
        if found:
            return names
        s.page.press("Tab")
    raise AssertionError(f"Tab never reached {selector}, passing {names}")


def case_keyboard(s):
    """By keys alone: the boxes' and Remove buttons' names with their focus shown,
    another colour for the composite and the composite saved (the cutout over it,
    opaque, at full size), a picture removed, which runs the backdrop check, and
    its error map saved."""
    state, message, _ = s.run(slots(s.scene.bmp))
    assert_equal(state, "done", f"the run's end ({message})")
    names = tab_to(s, "input[name=backdrop]:checked", start='.slot[data-slot="background0"] input')
    expected = []
    for box, shot in (("Background 0", "bg0"), ("Image 0", "image0"), ("Background 1", "bg1"), ("Image 1", "image1")):
        expected += [f"{box}: {shot}.bmp, 320 × 240", f"Remove {box.lower()}"]
    assert_equal(names[:8], expected, "the names of the boxes and Remove buttons")
    s.page.press("ArrowRight")  # from blue to green
    tab_to(s, '[data-save="composite"]')
    folder = pathlib.Path(tempfile.mkdtemp(dir=s.folder))
    composite = Image.open(s.page.save_by_key("Enter", folder))
    console = s.scene.console(s.scene.bmp)
    fg = Image.open(console / "fg.bmp").convert("RGB")
    alpha = Image.open(console / "alpha.bmp").getchannel("R")
    green = (0x3A, 0x9A, 0x48)
    expected = [tuple((f * a + g * (255 - a) + 127) // 255 for f, g in zip(colour, green))
                for colour, a in zip(fg.getdata(), alpha.getdata())]
    assert_equal((composite.mode, composite.size), ("RGB", fg.size), "the composite's mode and size")
    if list(composite.getdata()) != expected:
        raise AssertionError("the composite is not the cutout over green")
    # The emptied box keeps the focus, and the run it starts ends.
    tab_to(s, '.slot[data-slot="image1"] .clear', start='.slot[data-slot="image1"] input')
    s.page.call("() => { document.getElementById('state').dataset.state = 'chosen'; }")
    s.page.press("Space")
    state, message, _ = s.page.wait()
    assert_equal((state, message.startswith("Backdrops checked")), ("done", True), f"the run's end ({message})")
    assert_equal(s.page.call(FOCUSED, "input")[0], "Image 1: no file chosen, the subject before background 1",
                 "the control with the focus")
    tab_to(s, '[data-save="error"]')
    saved = s.page.save_by_key("Enter", folder)
    if saved.read_bytes() != (s.scene.console(slots_of(s.scene.bmp, "bg0", "bg1"), backdrop=True)
                              / "error.bmp").read_bytes():
        raise AssertionError(f"{saved.name} is not the backdrop check's error map")


THUMBNAIL = """(slot) => {
  const canvas = document.querySelector(`.slot[data-slot="${slot}"] .thumb`);
  const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let text = '';
  for (const value of pixels) text += String.fromCharCode(value);
  return [canvas.width, canvas.height, btoa(text)];
}"""


def case_dropped_together(s):
    """Several files dropped at once, beside the boxes and then on one box, go to
    the boxes their names give, the others to the empty boxes in the order of
    their names; the page says what went where, and names what found no box."""
    bmp = s.scene.bmp
    s.page.open(s.url)
    s.page.drop_together({"IMAGE1.bmp": bmp["image1"], "b.bmp": bmp["image0"], "a.bmp": bmp["bg0"]}, "header")
    first = s.page.text("#placed")
    s.page.drop_together({"Bg1.bmp": bmp["bg1"], "extra.bmp": bmp["bg1"]}, '.slot[data-slot="image0"] .drop')
    state, message, steps = s.page.wait()
    assert_equal(state, "done", f"the run's end ({message})")
    names = {"bg0": "a.bmp", "image0": "b.bmp", "bg1": "Bg1.bmp", "image1": "IMAGE1.bmp"}
    assert_equal(steps, [step.format(**names) for step in CONSOLE_STEPS], "the steps")
    second = s.page.text("#placed")
    told = {'"a.bmp" in background 0': first, '"b.bmp" in image 0': first, '"IMAGE1.bmp" in image 1': first,
            '"Bg1.bmp" in background 1': second, '"extra.bmp"': second.partition("Not placed")[2]}
    if not all(words in text for words, text in told.items()):
        raise AssertionError(f"what the page said: {first!r}, then {second!r}")
    # The last box's thumbnail comes from the run's own picture, each pixel the
    # nearest of the file's, in its colours.
    width, height, data = s.page.call(THUMBNAIL, "background1")
    picture = Image.open(bmp["bg1"]).convert("RGB")
    expected = [value for y in range(height) for x in range(width)
                for value in (*picture.getpixel((x * picture.width // width, y * picture.height // height)), 255)]
    if (width, height) != (150, 113) or list(base64.b64decode(data)) != expected:
        raise AssertionError(f"background 1's thumbnail ({width} × {height}) is not the run's picture of bg1")


GEOMETRY = page_side("geometry")


def case_phone(s):
    """On a phone (390 × 844; WebKitGTK's window is no narrower than 447) the five
    boxes take less than a screen, and when the run ends the status and the
    results are in view."""
    s.page.viewport(390, 844)
    try:
        state, message, _ = s.run(slots(s.scene.bmp))
        assert_equal(state, "done", f"the run's end ({message})")
        seen = s.page.call(GEOMETRY)
        if s.shots:
            s.page.screenshot(pathlib.Path(s.shots) / f"phone-{s.page.name}-{s.origin}.png")
    finally:
        s.page.viewport()
    if seen["width"] > 600 or seen["inputs"] > seen["height"] or not 0 <= seen["state"][0] < seen["state"][1] \
            <= seen["height"] or seen["results"] > seen["height"] / 2:
        raise AssertionError(f"on the phone: {seen}")


def refusal(slot, make, expected, beside=None):
    """A case: the set with the file make(scene) in `slot` (and beside(scene)'s
    files in other boxes) fails with a message that starts as expected; the box
    named, and no other, is marked; mended, the same page runs the set."""

    def case(s):
        pictures = {**slots(s.scene.bmp), **(beside(s.scene) if beside else {})}
        bad = make(s.scene)
        state, message, _ = s.run({**pictures, slot: bad})
        if state != "failed" or not message.startswith(expected):
            raise AssertionError(f"{bad.name} in {slot}: {state}, {message!r}")
        marked = {name for name, _ in s.page.shown(".slot.refused")}
        if marked != {slot}:
            raise AssertionError(f"boxes marked as refused: {sorted(marked)}, expected {slot}")
        s.page.give({slot: pictures[slot]})
        state, message, _ = s.page.wait()
        assert_equal(state, "done", f"the run after mending {slot} ({message})")
    return case


def short_bmp(scene):
    path = scene.folder / "short.bmp"
    convert(scene.bmp["image1"], "-crop", "320x239+0+0", "+repage", f"BMP3:{path}")
    return path


def cut(name, shot):
    return lambda scene: scene.file(name, scene.bmp[shot].read_bytes()[:5000])


def huge_jpeg(scene):
    """A JPEG of the example's whose frame header says 20000 × 20000."""
    data = bytearray(scene.jpeg["image0"].read_bytes())
    frame = data.index(b"\xff\xc0")
    data[frame + 5:frame + 9] = (20000).to_bytes(2, "big") * 2
    return scene.file("huge.jpg", bytes(data))


def case_huge_header(s):
    """A JPEG whose header says 20000 × 20000 beside 320 × 240 backgrounds is
    refused from its header alone: its box shows that size, and the page has the
    browser decode none of it, neither for the run nor for a thumbnail; the next
    set runs in the same tab, its thumbnails made, the mended box's by the run
    from the picture it read, not by the browser. (A tab's peak memory is no
    witness: it holds every case before.)"""
    pictures = slots(s.scene.bmp)
    state, message, steps = s.run({**pictures, "image0": huge_jpeg(s.scene)})
    expected = ('error: the images must have same size (image0 "huge.jpg" is 20000 × 20000, background0 "bg0.bmp" '
                'is 320 × 240)')
    assert_equal((state, message), ("failed", expected), "the run's end")
    assert_equal(steps, ['read background0 "bg0.bmp"', 'read image0 "huge.jpg"'], "the steps")
    assert_equal(s.page.text('.slot[data-slot="image0"] .size'), "huge.jpg: 20000 × 20000", "the box's size")
    s.page.give({"image0": pictures["image0"]})
    state, message, _ = s.page.wait()
    assert_equal(state, "done", f"the run after mending image0 ({message})")
    deadline = time.monotonic() + 60
    while len(s.page.shown(".thumb")) < len(SHOTS) and time.monotonic() < deadline:
        time.sleep(0.05)
    assert_equal(len(s.page.shown(".thumb")), len(SHOTS), "the thumbnails shown")
    decoded = set(s.page.call("() => window.ferlaneHarness.decoded"))
    # The boxes filled before the set was whole may have been decoded for their
    # thumbnails; huge.jpg never, nor image0.bmp, which the run read.
    if not decoded <= {path.name for path in pictures.values()} - {"image0.bmp"}:
        raise AssertionError(f"the files the browser decoded: {sorted(decoded)}")


def foreign_requests(s, since):
    """What the recorder heard since then beside the loads of the page itself."""
    page_loads = [f"GET {url}" for url in s.urls.values()] if s.origin == "served" else []
    return [request for request in s.recorder.heard[since:] if request not in page_loads]


def case_nothing_leaves(s):
    """The page asks for nothing but itself, neither from the page nor from its
    worker, in a run and in all this origin's cases before (so this case comes
    after them)."""
    s.run(slots(s.scene.bmp))
    assert_equal(foreign_requests(s, s.heard_from), [], "requests beside the page")
    if s.origin == "served" and f"GET {s.url}" not in s.recorder.heard[s.heard_from:]:
        raise AssertionError("the recorder heard not even the page")


def case_probe_heard(s):
    """The check above fails for a page that makes a request from the page and
    from its worker whenever the worker is told something."""
    start = len(s.recorder.heard)
    s.run(slots(s.scene.bmp), url=s.urls["/probe.html"])
    expected = sorted(f"GET {url}" for url in PROBES)
    deadline = time.monotonic() + 10
    while sorted(set(foreign_requests(s, start))) != expected and time.monotonic() < deadline:
        time.sleep(0.1)
    assert_equal(sorted(set(foreign_requests(s, start))), expected, "requests beside the page")
    # The probe's worker may still be sending: those requests are this case's, not
    # the next origin's, whose count starts when this case ends.
    s.page.open(s.url)
    heard = -1
    while heard != len(s.recorder.heard):
        heard = len(s.recorder.heard)
        time.sleep(0.5)


def probe_page(page, folder):
    """The page with its Content-Security-Policy removed, a request in the page and
    one in the worker's script when a run starts."""
    html = page.read_text(encoding="utf-8")
    html, policies = re.subn(r'<meta http-equiv="Content-Security-Policy"[^>]*>', "", html)
    html, workers = re.subn(r'(<script type="text/plain" id="worker-source">)',
                            rf"""\1self.addEventListener('message', () => fetch('{PROBES[1]}').catch(() => {{}}));""",
                            html)
    html, pages = re.subn("</body>", f"<script>fetch('{PROBES[0]}').catch(() => {{}});</script></body>", html)
    if (policies, workers, pages) != (1, 1, 1):
        raise RuntimeError("the probe page cannot be made: the page's policy, worker or body was not found")
    path = pathlib.Path(folder) / "probe.html"
    path.write_text(html, encoding="utf-8")
    return path


DROP_FOLDER = page_side("drop_folder")
BATCH_STATE = page_side("batch_state")
BATCH_SAVE = page_side("batch_save")


def turntable(scene, frames, source=None):
    """A turntable's frames (frame -> shot -> path): the example's subject moved a
    little further at each, over the example's backgrounds, in the format of
    `source`'s photographs (BMP or JPEG)."""
    source = source or scene.bmp
    made = {}
    for frame in range(frames):
        made[f"angle{frame:02}"] = {}
        for shot in ("image0", "image1"):
            path = scene.folder / f"turntable-{frame}-{source[shot].name}"
            if not path.exists():
                kind = ("-quality", "95", path) if path.suffix == ".jpg" else (f"BMP3:{path}",)
                convert(source[shot], "-roll", f"+{7 * frame}+0", *kind)
            made[f"angle{frame:02}"][shot] = path
    return made


def drop_folder(s, files):
    """Drops a folder (path in it -> path here) on the page and waits for its plan."""
    s.page.open(s.url)
    staged = []
    for number, (path, here) in enumerate(files.items()):
        s.page._stage(f"folder{number}", here)
        staged.append({"key": f"folder{number}", "path": path})
    s.page.call(DROP_FOLDER, staged)
    return s.page.call(BATCH_STATE, ["idle", "reading"], 30000)


def run_batch(s, saves=("bmp",)):
    s.page.call("(saves) => { for (const box of document.querySelectorAll('#batch-saves input'))"
                " box.checked = saves.includes(box.value); }", list(saves))
    s.page.click("#batch-start")
    return s.page.call(BATCH_STATE, ["planned", "running"], 300000)


def saved_zip(s):
    name, data = s.page.call(BATCH_SAVE)
    assert_equal(name, "ferlane-batch.zip", "the batch's file")
    return zipfile.ZipFile(io.BytesIO(base64.b64decode(data)))


def case_batch(s):
    """A folder of three sets, one of them broken, and a turntable of four frames
    shot as JPEGs over one pair of backgrounds: the broken set is named with its
    reason and the rest go on, and axe-core finds nothing in the batch's end; the
    zip holds the console tool's files for each set, and for each frame the files
    the README's turntable commands make of the same JPEGs, byte for byte, under
    names that keep them apart, and each frame's mask, of the same pixels."""
    bmp, jpeg, frames = s.scene.bmp, s.scene.jpeg, turntable(s.scene, 4, s.scene.jpeg)
    files = {f"day/{name}/{shot}.bmp": bmp[shot] for name in ("apple", "pear", "plum") for shot in SHOTS}
    files["day/pear/image1.bmp"] = cut("cut.bmp", "image1")(s.scene)
    spin = {"bg0.jpg": jpeg["bg0"], "bg1.jpg": jpeg["bg1"]}
    for frame, shots in frames.items():
        spin.update({f"{frame}_{shot}.jpg": path for shot, path in shots.items()})
    files.update({f"day/spin/{name}": path for name, path in spin.items()})
    plan = drop_folder(s, files)
    assert_equal((plan["state"], plan["summary"]), ("planned", "3 sets and 4 turntable frames to run; 0 files not "
                                                    "placed."), "the plan")
    end = run_batch(s, ("bmp", "mask"))
    assert_equal((end["state"], end["done"]), ("done", 7), f"the batch's end ({end['line']})")
    assert_equal(end["failures"], ['pear: failed: image1 "image1.bmp" is no BMP this tool reads: the file ends before '
                                   'its pixels'], "the failures listed")
    found = s.page.call(AXE_RUN, AXE.read_text(encoding="utf-8"))
    if found:
        raise AssertionError("a batch's end: " + "\n".join(found))
    archive = saved_zip(s)
    recipe = s.scene.readme("turntable", spin)
    expected = {}
    for name in ("apple", "plum"):
        expected.update({f"{name}/{result}.bmp": s.scene.console(bmp) / f"{result}.bmp"
                         for result in ("alpha", "error", "fg")})
        expected[f"{name}/mask.png"] = None
    for frame in frames:
        expected.update({f"spin/{frame}_{result}.bmp": recipe / f"{frame}_{result}.bmp"
                         for result in ("alpha", "error", "fg")})
        expected[f"spin/{frame}_mask.png"] = recipe / f"{frame}_mask.png"
    assert_equal(sorted(archive.namelist()), sorted(expected), "the zip's entries")
    for name, made in expected.items():
        data = archive.read(name)
        if name.endswith(".bmp"):
            if data != made.read_bytes():
                raise AssertionError(f"{name} in the zip differs from {made.parent.name}/{made.name}")
            continue
        mask, what = Image.open(io.BytesIO(data)), "the recipe's mask" if made else "alpha.bmp as grey"
        grey = Image.open(made or io.BytesIO(archive.read(name.replace("mask.png", "alpha.bmp"))))
        if mask.mode != "L" or list(mask.getdata()) != list(grey.getchannel(0).getdata()):
            raise AssertionError(f"{name} is not {what}")


def case_batch_plan(s):
    """The plan of a folder with stray files, a set without bg1 and a frame missing
    its second photograph: each file left out is listed with its reason."""
    bmp, frames = s.scene.bmp, turntable(s.scene, 3)
    files = {"shop/.DS_Store": s.scene.file("dsstore", b"\0"), "shop/notes.txt": s.scene.file("notes.txt", b"x\n"),
             "shop/shoe/bg0.bmp": bmp["bg0"], "shop/shoe/image0.bmp": bmp["image0"],
             "shop/shoe/image1.bmp": bmp["image1"], "shop/spin/bg0.bmp": bmp["bg0"], "shop/spin/bg1.bmp": bmp["bg1"]}
    for frame, shots in frames.items():
        files.update({f"shop/spin/{frame}_{shot}.bmp": path for shot, path in shots.items()})
    del files["shop/spin/angle01_image1.bmp"]
    plan = drop_folder(s, files)
    assert_equal(plan["summary"], "2 turntable frames to run; 6 files not placed.", "the plan's summary")
    assert_equal(plan["unplaced"], [
        "shop/.DS_Store: a hidden file",
        "shop/notes.txt: its name says no photograph: none of the words bg0, image0, bg1, image1 or alpha, or more "
        "than one",
        'shop/shoe/bg0.bmp: set "shoe" has no bg1 photograph',
        'shop/shoe/image0.bmp: set "shoe" has no bg1 photograph',
        'shop/shoe/image1.bmp: set "shoe" has no bg1 photograph',
        'shop/spin/angle01_image0.bmp: frame "angle01" has no image1 photograph'], "the files not placed")
    expected = 'spin/angle02: bg0 "bg0.bmp", image0 "angle02_image0.bmp"'
    if len(plan["items"]) != 2 or not plan["items"][1].startswith(expected):
        raise AssertionError(f"the plan's items: {plan['items']}")


def case_batch_stopped(s):
    """A batch stopped early stops: no set starts after, and the zip holds the
    results of the frames done, whole, and nothing of the rest."""
    bmp, frames = s.scene.large, turntable(s.scene, 12, s.scene.large)
    files = {"spin/bg0.bmp": bmp["bg0"], "spin/bg1.bmp": bmp["bg1"]}
    for frame, shots in frames.items():
        files.update({f"spin/{frame}_{shot}.bmp": path for shot, path in shots.items()})
    drop_folder(s, files)
    s.page.call("() => { for (const box of document.querySelectorAll('#batch-saves input'))"
                " box.checked = box.value === 'bmp'; }")
    s.page.click("#batch-start")
    s.page.call("async () => { while (document.getElementById('batch-bar').value < 1)"
                " await new Promise((resolve) => setTimeout(resolve, 5)); }")
    s.page.click("#batch-stop")
    end = s.page.call(BATCH_STATE, ["running"], 60000)
    told = end["line"].startswith(f"Stopped after {end['done']} of 12")
    if end["state"] != "stopped" or not 1 <= end["done"] < 12 or not told:
        raise AssertionError(f"the batch's end: {end}")
    time.sleep(1)
    assert_equal(s.page.call(BATCH_STATE, [], 0)["done"], end["done"], "the frames done a second later")
    archive = saved_zip(s)
    expected = sorted(f"{frame}_{result}.bmp" for frame in sorted(frames)[:end["done"]]
                      for result in ("alpha", "error", "fg"))
    assert_equal(sorted(archive.namelist()), expected, "the zip's entries")


BATCH_INTO_FOLDER = page_side("batch_into_folder")


def case_batch_into_folder(s):
    """Where the browser lets a page write into a chosen folder (Chromium), a batch
    saved there holds the files the zip would: a folder a set, the console tool's
    files byte for byte; elsewhere the page offers no such button."""
    bmp = s.scene.bmp
    files = {f"day/{name}/{shot}.bmp": bmp[shot] for name in ("apple", "plum") for shot in SHOTS}
    drop_folder(s, files)
    s.page.call("() => { for (const box of document.querySelectorAll('#batch-saves input'))"
                " box.checked = box.value === 'bmp'; }")
    result = s.page.call(BATCH_INTO_FOLDER)
    if result is None:
        if s.page.name == "chromium":
            raise AssertionError("Chromium offers no folder to save the batch into")
        return
    state, line, saved = result
    assert_equal(state, "done", f"the batch's end ({line})")
    console = s.scene.console(bmp)
    expected = {f"{name}/{result}.bmp": (console / f"{result}.bmp").read_bytes()
                for name in ("apple", "plum") for result in ("alpha", "error", "fg")}
    assert_equal(sorted(path for path, _ in saved), sorted(expected), "the folder's files")
    for path, data in saved:
        if base64.b64decode(data) != expected[path]:
            raise AssertionError(f"{path} in the folder differs from the console tool's")


# The one table: each case runs in every engine, from each origin.
CASES = [
    ("bmp", lambda s: whole_run(s, s.scene.bmp)),
    ("large bmp", lambda s: whole_run(s, s.scene.large)),
    ("bmp larger than a piece read at a time", lambda s: whole_run(s, s.scene.beyond_piece)),
    ("bmp of an odd width, its rows padded", lambda s: whole_run(s, s.scene.odd_width)),
    ("png", lambda s: whole_run(s, s.scene.png)),
    ("transparent png", case_transparent_png),
    ("16-bit png", lambda s: whole_run(s, s.scene.png16)),
    ("jpeg", lambda s: whole_run(s, s.scene.jpeg)),
    ("rotated jpeg", case_rotated_jpeg),
    ("cmyk jpeg, its boxes saying why", case_cmyk_jpeg),
    ("alpha file, all five dropped", case_alpha_file_dropped),
    ("backdrop check", case_backdrop_check),
    ("refused: sizes differ", refusal("image1", short_bmp, 'error: the images must have same size (image1 "short.bmp" '
                                      'is 320 × 239, background0 "bg0.bmp" is 320 × 240)')),
    ("refused: no picture", refusal("image0", lambda scene: scene.file("notes.jpg", b"not a picture\n"),
                                    'failed: image0 "notes.jpg" is no picture')),
    ("refused: cut bmp", refusal("background1", cut("cut.bmp", "bg1"),
                                 'failed: background1 "cut.bmp" is no BMP this tool reads: '
                                 'the file ends before its pixels')),
    # A good file of the same name in another box: the box named is the one marked.
    ("refused: cut bmp, its name another box's", refusal(
        "image1", cut("b/shot.bmp", "image1"), 'failed: image1 "shot.bmp" is no BMP',
        beside=lambda scene: {"background0": scene.file("a/shot.bmp", scene.bmp["bg0"].read_bytes())})),
    ("refused: cut png, by the page's decoder", refusal(
        "image0", lambda scene: scene.file("cut.png", scene.png["image0"].read_bytes()[:5000]),
        'failed: image0 "cut.png" is no PNG this page reads: the file ends before its last chunk')),
    ("refused from its header: a JPEG of 20000 × 20000, nothing of it decoded", case_huge_header),
    ("accessible: axe-core finds nothing", case_accessible),
    ("by keys alone, the composite saved", case_keyboard),
    ("several files dropped together", case_dropped_together),
    ("on a phone", case_phone),
    ("batch: three sets, one broken, and a turntable of four frames, zipped", case_batch),
    ("batch: the plan of a folder with stray files and a frame without its pair", case_batch_plan),
    ("batch: stopped", case_batch_stopped),
    ("batch: saved into a folder where the browser allows", case_batch_into_folder),
    ("nothing leaves the page", case_nothing_leaves),
    ("the probe is heard", case_probe_heard),
]


def screenshot(page, url, scene, path):
    """The README's picture of the page after a run, from Chromium."""
    page.open(url)
    page.give(slots(scene.bmp))
    page.wait()
    # Thumbnails are made once the run has ended.
    while len(page.shown(".thumb")) < len(SHOTS):
        time.sleep(0.05)
    height = page.call("() => document.documentElement.scrollHeight")
    page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 1200, "height": height, "deviceScaleFactor": 1, "mobile": False})
    shot = pathlib.Path(tempfile.mkdtemp()) / "page.png"
    page.driver.save_screenshot(str(shot))
    # A palette keeps the README's picture small; the page has few colours besides the photographs'.
    Image.open(shot).convert("RGB").quantize(256).save(path, optimize=True)


def batch_screenshot(page, url, scene, path):
    """The README's picture of a batch's end in Chromium: its plan with a file left
    out, its bar, and the set that failed."""
    session = Session(page, "file", {"/index.html": url}, types.SimpleNamespace(heard=[]), scene, scene.folder)
    bmp, frames = scene.bmp, turntable(scene, 4)
    files = {f"day/{name}/{shot}.bmp": bmp[shot] for name in ("apple", "pear") for shot in SHOTS}
    files["day/pear/image1.bmp"] = cut("cut.bmp", "image1")(scene)
    files.update({"day/spin/bg0.bmp": bmp["bg0"], "day/spin/bg1.bmp": bmp["bg1"],
                  "day/notes.txt": scene.file("notes.txt", b"x\n")})
    for frame, shots in frames.items():
        files.update({f"day/spin/{frame}_{shot}.bmp": path for shot, path in shots.items()})
    drop_folder(session, files)
    run_batch(session, ("bmp", "mask"))
    height = page.call("() => document.documentElement.scrollHeight")
    page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 1000, "height": height, "deviceScaleFactor": 1, "mobile": False})
    shot = pathlib.Path(tempfile.mkdtemp()) / "batch.png"
    page.driver.find_element("css selector", "#batch").screenshot(str(shot))
    page.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    Image.open(shot).convert("RGB").quantize(256).save(path, optimize=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("ferlane")
    parser.add_argument("--engines", nargs="+", choices=list(ENGINES), default=list(ENGINES))
    parser.add_argument("--origins", nargs="+", choices=("file", "served"), default=["file", "served"])
    parser.add_argument("--screenshot", help="a PNG of the page after a run, from Chromium")
    parser.add_argument("--batch-screenshot", help="a PNG of a batch's end, from Chromium")
    parser.add_argument("--cases", nargs="+", help="only the cases whose names hold one of these words")
    parser.add_argument("--shots", help="a folder for the PNGs of the page on a phone, one an engine and origin")
    arguments = parser.parse_args()
    if arguments.shots:
        pathlib.Path(arguments.shots).mkdir(parents=True, exist_ok=True)
    passed = failed = 0
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        pages = {"/index.html": pathlib.Path(arguments.page).resolve(),
                 "/probe.html": probe_page(pathlib.Path(arguments.page), folder)}
        recorder = Recorder(pages)
        scene = Scene(folder, pathlib.Path(arguments.ferlane).resolve())
        for engine in arguments.engines:
            started = time.monotonic()
            try:
                page = ENGINES[engine](recorder)
            except Exception:  # no browser, none of its cases can run
                failed += 1
                print(f"FAILED: {engine} did not start\n{traceback.format_exc()}", flush=True)
                continue
            try:
                for origin in arguments.origins:
                    urls = {path: recorder.url(path) if origin == "served" else file.as_uri()
                            for path, file in pages.items()}
                    session = Session(page, origin, urls, recorder, scene, folder, arguments.shots)
                    for name, case in CASES:
                        if arguments.cases and not any(word in name for word in arguments.cases):
                            continue
                        try:
                            case(session)
                            passed += 1
                            print(f"passed: {engine} {origin}: {name}", flush=True)
                        except Exception:  # any fault of the page fails its case only
                            failed += 1
                            print(f"FAILED: {engine} {origin}: {name}\n{traceback.format_exc()}", flush=True)
                if arguments.screenshot and engine == "chromium":
                    screenshot(page, pages["/index.html"].as_uri(), scene, arguments.screenshot)
                if arguments.batch_screenshot and engine == "chromium":
                    batch_screenshot(page, pages["/index.html"].as_uri(), scene, arguments.batch_screenshot)
            finally:
                page.close()
            print(f"{engine}: {time.monotonic() - started:.0f} s", flush=True)
        recorder.close()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
