#!/usr/bin/python3
"""Times the browser page in Chromium, Firefox and WebKitGTK against the console
tool on generated scenes.

    web_run.py PAGE_HTML FERLANE FERLANE_SCENE [--runs 5] [--sizes 3000x2000 6000x4000]
               [--engines chromium firefox webkit] [--origin served|file] [--steps]
               [--against OTHER_PAGE_HTML]

With --against, another build of the page (an earlier release, say) runs in the
same rounds, in browsers of its own, so that the two compare under one load.

Each round runs the console tool once and then the page once in each engine, so
that what else the machine does weighs on all alike. The page's time runs from
the last of the four files being given to the results being shown (the first
three are given a moment earlier, as a person chooses them, so that their
thumbnails are made before the run); the console
tool's from its start to its exit, files read and written. Prints min/median/max
of each, the median's ratio to the console tool's, and the browser tab's peak
memory: the largest peak resident size among the engine's page processes, the
worker included (Chromium's renderers, Firefox's content processes, WebKit's web
processes), thumbnails included. Chromium and Firefox are given the files in
the boxes' file inputs; WebKitGTK, whose driver cannot, by drop, through the
page's memory: WebKit keeps one web process for all the runs, and its peak
holds what earlier runs and drops left behind.
"""
import argparse
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "web"))
from browser import ENGINES, Recorder  # noqa: E402

SLOTS = {"background0": "bg0.bmp", "image0": "image0.bmp", "background1": "bg1.bmp", "image1": "image1.bmp"}


def console_seconds(ferlane, scene):
    (scene / "alpha.bmp").unlink(missing_ok=True)  # else it is read, not computed
    start = time.perf_counter()
    subprocess.run([ferlane], cwd=scene, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def summary(values):
    return f"{min(values):7.2f} {statistics.median(values):7.2f} {max(values):7.2f}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("ferlane")
    parser.add_argument("scene_tool")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--steps", action="store_true", help="print the page's steps with their times")
    parser.add_argument("--sizes", nargs="+", default=["3000x2000", "6000x4000"])
    parser.add_argument("--engines", nargs="+", choices=list(ENGINES), default=list(ENGINES))
    parser.add_argument("--origin", choices=("served", "file"), default="served")
    parser.add_argument("--against", help="another build of the page, timed in the same rounds")
    arguments = parser.parse_args()
    ferlane = pathlib.Path(arguments.ferlane).resolve()
    page_files = {"/index.html": pathlib.Path(arguments.page).resolve()}
    if arguments.against:
        page_files["/against.html"] = pathlib.Path(arguments.against).resolve()
    recorder = Recorder(page_files)
    urls = {path: recorder.url(path) if arguments.origin == "served" else page.as_uri()
            for path, page in page_files.items()}
    # Each engine, and each page in it, in a browser of its own.
    runners = [(engine, path) for engine in arguments.engines for path in urls]

    print(f"{'set':>12} {'':8} {'min s':>7} {'median':>7} {'max s':>7}   peak memory")
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
                console, seconds, failures = [], {runner: [] for runner in pages}, {}
                peaks = dict.fromkeys(pages, 0)
                for _ in range(arguments.runs):
                    console.append(console_seconds(ferlane, scene))
                    for engine, page in pages.items():
                        if engine in failures:
                            continue
                        page.open(urls[engine[1]])
                        # A person takes longer to choose four files than the page
                        # takes to make its matting module ready: the time starts
                        # with a ready page.
                        time.sleep(2)
                        # As a person chooses them: three pictures, whose thumbnails
                        # the page makes meanwhile, then the last, which starts the run.
                        page.give({slot: path for slot, path in files.items() if slot != "background1"})
                        deadline = time.monotonic() + 120
                        while len(page.shown(".thumb")) < len(SLOTS) - 1 and time.monotonic() < deadline:
                            time.sleep(0.1)
                        page.give({"background1": files["background1"]})
                        state, message, _ = page.wait(timeout=900)
                        if state != "done":
                            failures[engine] = message
                            continue
                        seconds[engine].append(page.run_milliseconds() / 1000)
                        if arguments.steps:
                            print(*engine, *(text for _, text in page.shown("#steps li")), sep="\n  ")
                        # The page makes its thumbnails once the run has ended: they
                        # would compete with the next run, the console tool's.
                        deadline = time.monotonic() + 120
                        while len(page.shown(".thumb")) < len(SLOTS) and time.monotonic() < deadline:
                            time.sleep(0.1)
                        # Before the next page, which may get a new process.
                        peaks[engine] = max(peaks[engine], page.tab_peak_bytes())
                        page.open("about:blank")
            finally:
                for page in pages.values():
                    page.close()
        print(f"{size:>12} {'console':8} {summary(console)}")
        for runner, values in seconds.items():
            label = f"{megapixels:.0f} MP"
            engine = runner[0] if runner[1] == "/index.html" else f"{runner[0]} (against)"
            if runner in failures:
                print(f"{label:>12} {engine:8} the page's run ended with: {failures[runner]}")
                continue
            print(f"{label:>12} {engine:8} {summary(values)}   {peaks[runner] / 2**30:.2f} GiB"
                  f"   (page/console median {statistics.median(values) / statistics.median(console):.2f}x)")
    recorder.close()


if __name__ == "__main__":
    main()
