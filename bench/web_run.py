#!/usr/bin/python3
"""Times the browser page in Chromium, Firefox and WebKitGTK against the console
tool on generated scenes, the page opened from a file as it ships.

    web_run.py PAGE_HTML FERLANE FERLANE_SCENE [--runs 5] [--sizes 3000x2000 6000x4000]
               [--engines chromium firefox webkit] [--origin file|served]
               [--ways one together] [--steps] [--against OTHER_PAGE_HTML]

Two ways of giving the files, each timed: "one", one by one as a person chooses
them in the boxes (three pictures, whose thumbnails the page makes meanwhile,
then the last, which starts the run); "together", the four dropped at once on
the page. The page's time runs from the last file given to the results shown;
the console tool's from its start to its exit, files read and written.

With --against, another build of the page (the one before a change, say) runs in
the same rounds, in browsers of its own, so that the two compare under one load.
Each round runs the console tool once and then the page once in each engine, way
and build, so that what else the machine does weighs on all alike.

Prints min, median and max of each; the page's ratio to the console tool's at the
median and at the minimum; each step's median time as the page shows it (the
reads of the four files summed too); and the browser tab's peak memory: the
largest peak resident size among the engine's page processes, the worker
included (Chromium's renderers, Firefox's content processes, WebKit's web
processes), thumbnails included. Chromium and Firefox are given files from the
disk, by the boxes' file inputs or, dropped together, by a file input of the
bench's own whose files are dropped; WebKitGTK, whose driver takes no file in an
input, by drop of files copied into the page's memory, which its peak then holds
too (WebKit keeps one web process for all the runs, and its peak holds what
earlier runs and drops left behind). --steps prints every run's steps as well.
"""
import argparse
import pathlib
import re
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "web"))
from browser import ENGINES, Recorder  # noqa: E402

SLOTS = {"background0": "bg0.bmp", "image0": "image0.bmp", "background1": "bg1.bmp", "image1": "image1.bmp"}
WAYS = ("one", "together")
# A file input of the bench's own, for files from the disk to be dropped together.
ADD_INPUT = """() => {
  if (document.getElementById('bench-files')) return;
  const input = Object.assign(document.createElement('input'), { type: 'file', multiple: true, id: 'bench-files' });
  document.body.append(input);
}"""
DROP_INPUT = """() => {
  const input = document.getElementById('bench-files');
  const data = new DataTransfer();
  for (const file of input.files) data.items.add(file);
  input.remove();
  for (const kind of ['dragenter', 'dragover', 'drop']) {
    document.querySelector('header').dispatchEvent(new DragEvent(kind, { bubbles: true, cancelable: true,
                                                                         dataTransfer: data }));
  }
}"""
STEPS = """() => [...document.querySelectorAll('#steps li')].map((item) =>
  [item.firstChild.textContent, item.querySelector('.took')?.textContent ?? ''])"""


def console_seconds(ferlane, scene):
    (scene / "alpha.bmp").unlink(missing_ok=True)  # else it is read, not computed
    start = time.perf_counter()
    subprocess.run([ferlane], cwd=scene, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def give_one_by_one(page, files):
    page.give({slot: path for slot, path in files.items() if slot != "background1"})
    deadline = time.monotonic() + 120
    while len(page.shown(".thumb")) < len(SLOTS) - 1 and time.monotonic() < deadline:
        time.sleep(0.1)
    page.give({"background1": files["background1"]})


def give_together(page, files):
    """The four dropped at once on the page, files from the disk where the driver can choose them."""
    if page.name == "chromium":
        page.call(ADD_INPUT)
        page.driver.find_element("css selector", "#bench-files").send_keys("\n".join(map(str, files.values())))
    elif page.name == "firefox":
        page.call(ADD_INPUT)
        page._command(upload="#bench-files", paths=list(map(str, files.values())))
    else:
        page.drop_together({path.name: path for path in files.values()}, "header")
        return
    page.call("() => { document.getElementById('state').dataset.state = 'chosen'; }")
    page.call(DROP_INPUT)


def step_seconds(page):
    """The page's steps with their times, in seconds; the reads also summed."""
    steps = {}
    for text, took in page.call(STEPS):
        seconds = float(took.split()[0]) if took else float("nan")
        steps[text] = seconds
        if text.startswith("read "):
            steps["read, all four"] = steps.get("read, all four", 0) + seconds
    return steps


def summary(values):
    return f"{min(values):7.2f} {statistics.median(values):7.2f} {max(values):7.2f}"


def label(runner):
    engine, path, way = runner
    return f"{engine} {way}" + (" (against)" if path != "/index.html" else "")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("ferlane")
    parser.add_argument("scene_tool")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--steps", action="store_true", help="print every run's steps with their times")
    parser.add_argument("--sizes", nargs="+", default=["3000x2000", "6000x4000"])
    parser.add_argument("--engines", nargs="+", choices=list(ENGINES), default=list(ENGINES))
    parser.add_argument("--ways", nargs="+", choices=WAYS, default=list(WAYS))
    parser.add_argument("--origin", choices=("served", "file"), default="file")
    parser.add_argument("--against", help="another build of the page, timed in the same rounds")
    arguments = parser.parse_args()
    ferlane = pathlib.Path(arguments.ferlane).resolve()
    page_files = {"/index.html": pathlib.Path(arguments.page).resolve()}
    if arguments.against:
        page_files["/against.html"] = pathlib.Path(arguments.against).resolve()
    recorder = Recorder(page_files)
    urls = {path: recorder.url(path) if arguments.origin == "served" else page.as_uri()
            for path, page in page_files.items()}
    # Each engine, page and way in a browser of its own, so that its peak is its own.
    runners = [(engine, path, way) for engine in arguments.engines for way in arguments.ways for path in urls]

    print(f"page from {arguments.origin}, {arguments.runs} rounds")
    for size in arguments.sizes:
        width, height = size.split("x")
        megapixels = int(width) * int(height) / 1e6
        with tempfile.TemporaryDirectory() as folder:
            scene = pathlib.Path(folder)
            subprocess.run([arguments.scene_tool, scene, width, height], check=True, stdout=subprocess.DEVNULL)
            files = {slot: scene / name for slot, name in SLOTS.items()}
            # A browser for each size, so that its peak belongs to this size alone.
            pages = {}
            try:
                for runner in runners:
                    pages[runner] = ENGINES[runner[0]](recorder)
                console, failures = [], {}
                seconds = {runner: [] for runner in pages}
                steps = {runner: {} for runner in pages}
                peaks = dict.fromkeys(pages, 0)
                for _ in range(arguments.runs):
                    console.append(console_seconds(ferlane, scene))
                    for runner, page in pages.items():
                        if runner in failures:
                            continue
                        page.open(urls[runner[1]])
                        # A person takes longer to choose files than the page takes
                        # to make its matting module ready: the time starts with a
                        # ready page.
                        time.sleep(2)
                        (give_one_by_one if runner[2] == "one" else give_together)(page, files)
                        state, message, _ = page.wait(timeout=900)
                        if state != "done":
                            failures[runner] = message
                            continue
                        seconds[runner].append(page.run_milliseconds() / 1000)
                        # As it comes, so that a bench cut short still tells.
                        print(f"  {label(runner)}: {seconds[runner][-1]:.2f} s (console {console[-1]:.2f} s)",
                              flush=True)
                        for text, took in step_seconds(page).items():
                            steps[runner].setdefault(text, []).append(took)
                        if arguments.steps:
                            shown = step_seconds(page).items()
                            print(label(runner), *(f"{took:5.2f} s  {text}" for text, took in shown), sep="\n  ",
                                  flush=True)
                        # The page makes its thumbnails once the run has ended: they
                        # would compete with the next run, the console tool's.
                        deadline = time.monotonic() + 120
                        while len(page.shown(".thumb")) < len(SLOTS) and time.monotonic() < deadline:
                            time.sleep(0.1)
                        # Before the next page, which may get a new process.
                        peaks[runner] = max(peaks[runner], page.tab_peak_bytes())
                        page.open("about:blank")
            finally:
                for page in pages.values():
                    page.close()
        report(size, megapixels, console, seconds, steps, peaks, failures)
    recorder.close()


# Short names for the steps' columns.
STEP_COLUMNS = {"read background0": "read bg0", "read image0": "read im0", "read background1": "read bg1",
                "read image1": "read im1", "read, all four": "reads", "reconstruct alpha": "alpha",
                "write alpha": "w alpha", "write calculation error": "w error", "reconstruct foreground": "fg",
                "write foreground": "w fg", "read alpha": "read al"}


def report(size, megapixels, console, seconds, steps, peaks, failures):
    print(f"\n{size} ({megapixels:.0f} MP)".ljust(28) + f"{'min s':>7} {'median':>7} {'max s':>7}   "
          f"{'peak':>9}   page/console at median, at min")
    print(f"{'console':28}{summary(console)}")
    for runner, values in seconds.items():
        if runner in failures:
            print(f"{label(runner):28}the page's run ended with: {failures[runner]}")
            continue
        if not values:
            continue
        print(f"{label(runner):28}{summary(values)}   {peaks[runner] / 2**30:5.2f} GiB"
              f"   {statistics.median(values) / statistics.median(console):.2f}x, {min(values) / min(console):.2f}x")
    shown = [runner for runner in seconds if seconds[runner]]
    if not shown:
        return
    texts = list(dict.fromkeys(text for runner in shown for text in steps[runner]))
    # The reads' sum after the reads.
    texts.sort(key=lambda text: (not text.startswith("read"), text == "read, all four"))
    names = [STEP_COLUMNS.get(re.sub(r' "[^"]*"', "", text), text[:9]) for text in texts]
    print(f"\n{'steps, median s':28}" + "".join(f"{name:>9}" for name in names))
    for runner in shown:
        cells = [steps[runner].get(text) for text in texts]
        print(f"{label(runner):28}" + "".join(f"{statistics.median(cell):9.2f}" if cell else f"{'':9}"
                                              for cell in cells))


if __name__ == "__main__":
    main()
