#!/usr/bin/python3
"""The browser page against the console tool, in headless Chromium.

    test_page.py PAGE_HTML FERLANE [--screenshot PNG]

Every run of the page is compared with the console tool's run on the same
pictures (other formats converted as the README says). Ends with "N passed, N failed".
"""
import argparse
import functools
import http.server
import pathlib
import re
import subprocess
import sys
import tempfile
import threading
import time
import traceback

from PIL import Image, ImageChops
from selenium.webdriver.common.by import By

from browser import Page

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"
SHOTS = ("bg0", "image0", "bg1", "image1")
SLOT_OF_SHOT = {"bg0": "background0", "image0": "image0", "bg1": "background1", "image1": "image1"}


def convert(*arguments):
    subprocess.run(["convert", *map(str, arguments)], check=True)


class Scene:
    """Pictures made in a scratch folder, and the console tool's runs on them."""

    def __init__(self, folder, ferlane):
        self.folder = pathlib.Path(folder)
        self.ferlane = ferlane
        self.runs = 0

    def copies(self, kind, *options):
        """The example scene as KIND files, each made with ImageMagick's OPTIONS."""
        made = {}
        for shot in SHOTS:
            made[shot] = self.folder / f"{shot}.{kind}"
            convert(EXAMPLES / f"{shot}.bmp", *options, made[shot])
        return made

    def enlarged_copies(self):
        """BMP copies at three times the size: the page computes them in several
        bands of rows, the top one shorter than the rest."""
        made = {}
        for shot in SHOTS:
            made[shot] = self.folder / f"large-{shot}.bmp"
            convert(EXAMPLES / f"{shot}.bmp", "-resize", "300%", f"BMP3:{made[shot]}")
        return made

    def rotated_jpeg_copies(self):
        """JPEG copies tagged as taken with the camera turned: ImageMagick 6 writes
        no orientation tag into a JPEG made from a BMP, so Pillow makes them."""
        made = {}
        for shot in SHOTS:
            made[shot] = self.folder / f"rotated-{shot}.jpg"
            tags = Image.Exif()
            tags[0x0112] = 6  # the orientation: turn right to show
            Image.open(EXAMPLES / f"{shot}.bmp").save(made[shot], quality=95, exif=tags)
        return made

    def transparent_png_copies(self):
        """PNG copies whose opacity runs from 0 to 255 across the picture: their
        colours, as stored, are what counts."""
        made = {}
        for shot in SHOTS:
            made[shot] = self.folder / f"transparent-{shot}.png"
            picture = Image.open(EXAMPLES / f"{shot}.bmp").convert("RGBA")
            picture.putalpha(Image.linear_gradient("L").rotate(90).resize(picture.size))
            picture.save(made[shot])
        return made

    def as_bmp(self, pictures):
        """The README's conversion to BMP, for the console tool."""
        converted = {}
        for shot, path in pictures.items():
            converted[shot] = path.with_name(f"{path.name}.bmp")
            convert(path, "-auto-orient", "-alpha", "off", "-depth", "8", "-type", "TrueColor",
                    f"BMP3:{converted[shot]}")
        return converted

    def console(self, pictures, alpha=None, backdrop=False):
        """Runs the console tool in a folder of its own; returns the folder."""
        self.runs += 1
        out = self.folder / f"console-{self.runs}"
        out.mkdir()
        images = ("bg0", "bg1") if backdrop else ("image0", "image1")
        arguments = [self.ferlane, f"--Background0={pictures['bg0']}", f"--Background1={pictures['bg1']}",
                     f"--Image0={pictures[images[0]]}", f"--Image1={pictures[images[1]]}"]
        if alpha:
            arguments.append(f"--Alpha={alpha}")
        subprocess.run(arguments, cwd=out, check=True, stdout=subprocess.DEVNULL)
        return out


def slots(pictures):
    return {SLOT_OF_SHOT[shot]: path for shot, path in pictures.items()}


def assert_equal(actual, expected, what):
    if actual != expected:
        raise AssertionError(f"{what}: {actual!r}, expected {expected!r}")


def assert_same_bytes(saved, console, names):
    for name in names:
        if saved[name].read_bytes() != (console / f"{name}.bmp").read_bytes():
            raise AssertionError(f"{name}.bmp differs from the console tool's")


def largest_difference(a, b):
    return max(high for _, high in ImageChops.difference(Image.open(a).convert("RGB"),
                                                        Image.open(b).convert("RGB")).getextrema())


def assert_subject(png, fg, alpha):
    """subject.png is RGBA with alpha.bmp as opacity and fg.bmp's colours where it is above 0."""
    subject = Image.open(png)
    assert_equal(subject.mode, "RGBA", "subject.png's mode")
    opacity = subject.getchannel("A")
    expected_opacity = Image.open(alpha).getchannel("R")
    assert_equal(list(opacity.getdata()), list(expected_opacity.getdata()), "subject.png's alpha")
    visible = [i for i, a in enumerate(opacity.getdata()) if a > 0]
    colours = list(subject.convert("RGB").getdata())
    fg_colours = list(Image.open(fg).convert("RGB").getdata())
    if any(colours[i] != fg_colours[i] for i in visible):
        raise AssertionError("subject.png's colours differ from fg.bmp's where alpha > 0")


ALL_SAVES = ("alpha", "error", "fg", "subject", "composite")
CONSOLE_STEPS = ['read background0 "{bg0}"', 'read image0 "{image0}"', 'read background1 "{bg1}"',
                 'read image1 "{image1}"', "reconstruct alpha", 'write alpha "alpha.bmp"',
                 'write calculation error "error.bmp"', "reconstruct foreground", 'write foreground "fg.bmp"']


def whole_run(page, scene, pictures, console_pictures, tolerance):
    """The four pictures in the page give the console tool's three files (within
    `tolerance` per channel where two decoders read the pictures) and the PNG."""
    page.open()
    page.choose(slots(pictures))
    state, message, steps = page.wait()
    assert_equal(state, "done", f"the run's end ({message})")
    names = {shot: path.name for shot, path in pictures.items()}
    assert_equal(steps, [step.format(**names) for step in CONSOLE_STEPS], "the steps")
    assert_equal(page.offered_saves(), set(ALL_SAVES), "the save buttons")
    saved = page.save(ALL_SAVES, scene.folder / f"saved-{scene.runs}")
    console = scene.console(console_pictures)
    if tolerance == 0:
        assert_same_bytes(saved, console, ("alpha", "error", "fg"))
    else:
        for name in ("alpha", "error", "fg"):
            difference = largest_difference(saved[name], console / f"{name}.bmp")
            if difference > tolerance:
                raise AssertionError(f"{name}.bmp differs by {difference}, more than {tolerance}")
    assert_subject(saved["subject"], saved["fg"], saved["alpha"])
    return saved


def case_formats(page, scene):
    """BMP, PNG (opaque and transparent), JPEG and a JPEG with a rotation tag,
    against the console tool."""
    bmp = {shot: EXAMPLES / f"{shot}.bmp" for shot in SHOTS}
    png = scene.copies("png")
    jpeg = scene.copies("jpg", "-quality", "95")
    rotated = scene.rotated_jpeg_copies()
    orientation = subprocess.run(["identify", "-format", "%[orientation]", rotated["bg0"]],
                                 capture_output=True, text=True, check=True).stdout
    assert_equal(orientation, "RightTop", "the test JPEG's orientation tag")
    # Chromium and ImageMagick decode JPEG with the same libjpeg-turbo arithmetic:
    # the results agree exactly, and any difference is a fault.
    transparent = scene.transparent_png_copies()
    large = scene.enlarged_copies()
    table = [("bmp", bmp, bmp), ("large bmp", large, large), ("png", png, scene.as_bmp(png)),
             ("transparent png", transparent, scene.as_bmp(transparent)),
             ("jpeg", jpeg, scene.as_bmp(jpeg)), ("rotated jpeg", rotated, scene.as_bmp(rotated))]
    for name, pictures, console_pictures in table:
        try:
            saved = whole_run(page, scene, pictures, console_pictures, tolerance=0)
        except AssertionError as error:
            raise AssertionError(f"{name}: {error}") from None
        if name == "transparent png":
            assert_equal(page.text('.slot[data-slot="image0"] .note'),
                         "its transparency is dropped, its colours are kept as stored", "the note")
        if name == "rotated jpeg":
            width, height = Image.open(saved["fg"]).size
            assert_equal((width, height), Image.open(bmp["bg0"]).size[::-1], "the rotated result's size")


def case_alpha_file(page, scene):
    """An alpha file's red channel is the matte: no alpha computed, no error map."""
    pictures = scene.enlarged_copies()
    alpha_file = scene.folder / "matte.bmp"
    # Red, green and blue differ, so a matte taken from the wrong channel shows.
    convert(pictures["image0"], "-channel", "G", "-negate", f"BMP3:{alpha_file}")
    page.open()
    page.choose({**slots(pictures), "alpha": alpha_file})
    state, message, steps = page.wait()
    assert_equal(state, "done", f"the run's end ({message})")
    assert_equal(steps[4:], ['read alpha "matte.bmp"', "reconstruct foreground", 'write foreground "fg.bmp"'],
                 "the steps after the four pictures")
    assert_equal(page.offered_saves(), {"fg", "subject", "composite"}, "the save buttons")
    saved = page.save(("fg", "subject"), scene.folder / "saved-alpha-file")
    assert_same_bytes(saved, scene.console(pictures, alpha=alpha_file), ("fg",))
    assert_subject(saved["subject"], saved["fg"], alpha_file)


def case_backdrop_check(page, scene):
    """Two backgrounds alone give the console tool's error map for them, and its shares."""
    pictures = {shot: EXAMPLES / f"{shot}.bmp" for shot in ("bg0", "bg1")}
    page.open()
    page.choose(slots(pictures))
    state, message, steps = page.wait()
    assert_equal(state, "done", f"the check's end ({message})")
    assert_equal(steps, ['read background0 "bg0.bmp"', 'read background1 "bg1.bmp"', "reconstruct alpha",
                         'write calculation error "error.bmp"'], "the steps")
    assert_equal(page.offered_saves(), {"error"}, "the save buttons")
    saved = page.save(("error",), scene.folder / "saved-backdrop")
    console = scene.console(pictures, backdrop=True)
    assert_same_bytes(saved, console, ("error",))
    errors = list(Image.open(console / "error.bmp").getchannel("R").getdata())
    expected = [100 * sum(1 for e in errors if test(e)) / len(errors)
                for test in (lambda e: e == 0, lambda e: 0 < e <= 128, lambda e: e == 255)]
    shown = [float(p) for p in re.findall(r"([\d.]+) %", page.text("#shares"))]
    if len(shown) != 3 or any(abs(s - e) > 0.051 for s, e in zip(shown, expected)):
        raise AssertionError(f"shares shown {shown}, expected {expected}")
    # Without a background there is nothing to show.
    page.driver.find_element(By.CSS_SELECTOR, '.slot[data-slot="background1"] .clear').click()
    assert_equal((page.driver.find_element(By.ID, "state").get_attribute("data-state"),
                  page.driver.find_element(By.ID, "results").is_displayed()), ("idle", False),
                 "the page's state and whether results show, a background removed")


def case_refusals(page, scene):
    """Inputs the run refuses name their slot, and the page runs again afterwards."""
    pictures = {shot: EXAMPLES / f"{shot}.bmp" for shot in SHOTS}
    short = scene.folder / "short.bmp"
    convert(EXAMPLES / "image1.bmp", "-crop", "320x239+0+0", "+repage", f"BMP3:{short}")
    no_picture = scene.folder / "notes.jpg"
    no_picture.write_text("not a picture\n")
    cut_bmp = scene.folder / "cut.bmp"
    cut_bmp.write_bytes((EXAMPLES / "bg1.bmp").read_bytes()[:5000])
    table = [("image1", short, 'error: the images must have same size (image1 "short.bmp"'),
             ("image0", no_picture, 'failed: image0 "notes.jpg" is no picture'),
             ("background1", cut_bmp, 'failed: background1 "cut.bmp" is no BMP')]
    for slot, path, expected in table:
        page.open()
        page.choose({**slots(pictures), slot: path})
        state, message, _ = page.wait()
        if state != "failed" or not message.startswith(expected):
            raise AssertionError(f"{path.name} in {slot}: {state}, {message!r}")
        # The same page, with the slot mended, runs the set.
        page.choose({slot: pictures[{v: k for k, v in SLOT_OF_SHOT.items()}[slot]]})
        state, message, _ = page.wait()
        assert_equal(state, "done", f"the run after mending {slot} ({message})")


def case_no_requests_from_file(page, scene):
    """Opened from a file, the page fetches nothing but itself, also during a run."""
    page.open()
    page.choose(slots({shot: EXAMPLES / f"{shot}.bmp" for shot in SHOTS}))
    page.wait()
    foreign = [url for url in page.requested_urls()
               if url != page.url and not url.startswith(("blob:", "data:"))]
    assert_equal(foreign, [], "requests beside the page")


def case_served(page, scene):
    """From a static server the page works too, and asks it for nothing but itself."""
    requests = []

    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            requests.append(self.path)

    site = pathlib.Path(page.url.removeprefix("file://")).parent
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    file_url = page.url
    try:
        page.url = f"http://127.0.0.1:{server.server_port}/index.html"
        page.open()
        page.choose(slots({shot: EXAMPLES / f"{shot}.bmp" for shot in SHOTS}))
        state, message, _ = page.wait()
        assert_equal(state, "done", f"the run's end ({message})")
        assert_equal(requests, ["/index.html"], "the requests the server saw")
    finally:
        page.url = file_url
        server.shutdown()


CASES = [case_formats, case_alpha_file, case_backdrop_check, case_refusals,
         case_no_requests_from_file, case_served]


def screenshot(page, path):
    page.open()
    page.choose(slots({shot: EXAMPLES / f"{shot}.bmp" for shot in SHOTS}))
    page.wait()
    # Thumbnails are made once the run has ended.
    while len(page.driver.find_elements(By.CSS_SELECTOR, ".thumb:not([hidden])")) < len(SHOTS):
        time.sleep(0.05)
    height = page.driver.execute_script("return document.documentElement.scrollHeight")
    page.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 1200, "height": height, "deviceScaleFactor": 1, "mobile": False})
    shot = pathlib.Path(tempfile.mkdtemp()) / "page.png"
    page.driver.save_screenshot(str(shot))
    # A palette keeps the README's picture small; the page has few colours besides the photographs'.
    Image.open(shot).convert("RGB").quantize(256).save(path, optimize=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("ferlane")
    parser.add_argument("--screenshot")
    arguments = parser.parse_args()
    try:
        page = Page(pathlib.Path(arguments.page).resolve().as_uri())
    except Exception:  # no browser, no case can run
        traceback.print_exc()
        print("0 passed, 1 failed")
        return 1
    passed = failed = 0
    try:
        with tempfile.TemporaryDirectory() as folder:
            for case in CASES:
                scratch = pathlib.Path(folder) / case.__name__
                scratch.mkdir()
                try:
                    case(page, Scene(scratch, pathlib.Path(arguments.ferlane).resolve()))
                    passed += 1
                    print(f"passed: {case.__name__}")
                except Exception:  # any fault of the page fails its case only
                    failed += 1
                    print(f"FAILED: {case.__name__}\n{traceback.format_exc()}")
        if arguments.screenshot:
            screenshot(page, arguments.screenshot)
    finally:
        page.close()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
