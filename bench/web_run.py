#!/usr/bin/python3
"""Times the browser page against the console tool on generated scenes.

    web_run.py PAGE_HTML FERLANE FERLANE_SCENE [--runs N] [--sizes 3000x2000 6000x4000]

The page's time runs from the last of the four files being chosen to the results
being shown; the console tool's from its start to its exit, files read and
written. Prints min/median/max of each, and the browser tab's peak memory (the
largest peak resident size of Chromium's page processes, the worker included).
"""
import argparse
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "web"))
from browser import Page  # noqa: E402

SLOTS = {"background0": "bg0.bmp", "image0": "image0.bmp", "background1": "bg1.bmp", "image1": "image1.bmp"}


def console_seconds(ferlane, scene):
    (scene / "alpha.bmp").unlink(missing_ok=True)  # else it is read, not computed
    start = time.perf_counter()
    subprocess.run([ferlane], cwd=scene, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def page_processes_peak_bytes(root_pid):
    """The largest peak resident size among the renderer processes below root_pid."""
    parents = {}
    for stat in pathlib.Path("/proc").glob("[0-9]*/stat"):
        try:
            fields = stat.read_text().rsplit(")", 1)[1].split()
            parents[int(stat.parent.name)] = int(fields[1])
        except (OSError, IndexError, ValueError):
            continue

    def below_root(pid):
        while pid in parents:
            pid = parents[pid]
            if pid == root_pid:
                return True
        return False

    peak = 0
    for pid in filter(below_root, parents):
        try:
            if b"--type=renderer" not in pathlib.Path(f"/proc/{pid}/cmdline").read_bytes():
                continue
            for line in pathlib.Path(f"/proc/{pid}/status").read_text().splitlines():
                if line.startswith("VmHWM:"):
                    peak = max(peak, int(line.split()[1]) * 1024)
        except OSError:
            continue
    return peak


def summary(values):
    return f"{min(values):7.2f} {statistics.median(values):7.2f} {max(values):7.2f}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("ferlane")
    parser.add_argument("scene_tool")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--steps", action="store_true", help="print the page's steps with their times")
    parser.add_argument("--sizes", nargs="+", default=["3000x2000", "6000x4000"])
    arguments = parser.parse_args()
    ferlane = pathlib.Path(arguments.ferlane).resolve()
    url = pathlib.Path(arguments.page).resolve().as_uri()

    print(f"{'set':>12} {'':8} {'min s':>7} {'median':>7} {'max s':>7}   peak memory")
    for size in arguments.sizes:
        width, height = size.split("x")
        with tempfile.TemporaryDirectory() as folder:
            scene = pathlib.Path(folder)
            subprocess.run([arguments.scene_tool, scene, width, height], check=True, stdout=subprocess.DEVNULL)
            console = [console_seconds(ferlane, scene) for _ in range(arguments.runs)]
            # A browser for each size, so that its peak belongs to this size alone.
            page = Page(url)
            try:
                seconds = []
                peak = 0
                for _ in range(arguments.runs):
                    page.open()
                    page.choose({slot: scene / name for slot, name in SLOTS.items()})
                    state, message, _ = page.wait(timeout=600)
                    if state != "done":
                        sys.exit(f"{size}: the page's run ended with: {message}")
                    seconds.append(page.run_milliseconds() / 1000)
                    # Before the next page, which may get a new process.
                    peak = max(peak, page_processes_peak_bytes(page.driver.service.process.pid))
                    if arguments.steps:
                        print("\n".join(page.step_lines()))
            finally:
                page.close()
        megapixels = int(width) * int(height) / 1e6
        print(f"{size:>12} {'console':8} {summary(console)}")
        print(f"{f'{megapixels:.0f} MP':>12} {'page':8} {summary(seconds)}   {peak / 2**30:.2f} GiB"
              f"   (page/console median {statistics.median(seconds) / statistics.median(console):.2f}x)")


if __name__ == "__main__":
    main()
