#!/usr/bin/python3
"""Times a batch in the browser page against the README's console commands: a
generated turntable of FRAMES frames over one pair of backgrounds, the page's
batch (its three BMP files a frame, in one zip) against `xargs -P 2` running
ferlane on each frame, in the same rounds.

    batch_run.py PAGE_HTML FERLANE FERLANE_SCENE [--frames 36] [--size 6000x4000]
                 [--rounds 1] [--engines chromium firefox]

The scene's photographs are BMP files, so that both sides read the same pixels
and neither converts. The page is given the frames as a dropped folder, its files
chosen from the disk by a file input of the bench's own (Chromium and Firefox;
WebKitGTK's driver chooses no file, and copying a 24-megapixel turntable into its
page through the driver would time the copy). The page's time runs from the
batch's start to its end, the zip written; the console's from the first run's
start to the last one's exit. Prints frames a minute for each, the tab's peak
memory (its largest page process, the workers included) and the zip's size.
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
from browser import ENGINES, Recorder, page_side  # noqa: E402

# The README's turntable commands, on frames already in BMP files.
CONSOLE = r"""ls -- *_image0.bmp | sed 's/_image0\.bmp$//' | xargs -I{} -P 2 sh -c '
  rm -f "$1_alpha.bmp" &&
  "$0" --Background0=bg0.bmp --Background1=bg1.bmp --Image0="$1_image0.bmp" --Image1="$1_image1.bmp" \
       --Alpha="$1_alpha.bmp" --Error="$1_error.bmp" --Foreground="$1_fg.bmp" >"$1_ferlane.log" ||
  { echo "failed: $1" >&2; exit 1; }' "$FERLANE" {}"""
ADD_INPUT = """() => {
  const input = Object.assign(document.createElement('input'), { type: 'file', multiple: true, id: 'bench-files' });
  document.body.append(input);
}"""
# The chosen files, dropped as the folder "spin" through entries made of them.
DROP_CHOSEN = """() => {
  const input = document.getElementById('bench-files');
  window.ferlaneHarness.pieces = {};
  const files = [...input.files].map((file, i) => {
    window.ferlaneHarness.pieces[`bench${i}`] = [file];
    return { key: `bench${i}`, path: `spin/${file.name}` };
  });
  input.remove();
  return files;
}"""
BATCH_STATE = page_side("batch_state")
DROP_FOLDER = page_side("drop_folder")


def make_turntable(scene_tool, folder, frames, width, height):
    subprocess.run([scene_tool, folder, width, height], check=True, stdout=subprocess.DEVNULL)
    for frame in range(frames):
        for shot in ("image0", "image1"):
            subprocess.run(["convert", folder / f"{shot}.bmp", "-roll", f"+{40 * frame}+0",
                            f"BMP3:{folder / f'angle{frame:02}_{shot}.bmp'}"], check=True)
    for shot in ("image0", "image1"):
        (folder / f"{shot}.bmp").unlink()
    return sorted(path for path in folder.iterdir() if path.suffix == ".bmp")


def console_seconds(ferlane, folder):
    start = time.perf_counter()
    subprocess.run(["sh", "-c", CONSOLE], cwd=folder, check=True,
                   env={"FERLANE": str(ferlane), "PATH": "/usr/bin:/bin"})
    return time.perf_counter() - start


def page_batch(page, url, files):
    """The batch's seconds and its zip's bytes, or its failure."""
    page.open(url)
    time.sleep(2)
    page.call(ADD_INPUT)
    if page.name == "chromium":
        page.driver.find_element("css selector", "#bench-files").send_keys("\n".join(map(str, files)))
    else:
        page._command(upload="#bench-files", paths=list(map(str, files)))
    page.call(DROP_FOLDER, page.call(DROP_CHOSEN))
    plan = page.call(BATCH_STATE, ["idle", "reading"], 60000)
    if plan["state"] != "planned":
        return None, plan["line"]
    page.call("() => { for (const box of document.querySelectorAll('#batch-saves input'))"
              " box.checked = box.value === 'bmp'; }")
    start = time.perf_counter()
    page.click("#batch-start")
    end = page.call(BATCH_STATE, ["planned", "running"], 3600000)
    seconds = time.perf_counter() - start
    if end["state"] != "done" or end["failures"]:
        return None, f"{end['line']} {end['failures']}"
    size = float(re.search(r"([\d.]+) MB\)", page.text("#batch-save")).group(1))
    return seconds, size


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("ferlane")
    parser.add_argument("scene_tool")
    parser.add_argument("--frames", type=int, default=36)
    parser.add_argument("--size", default="6000x4000")
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--engines", nargs="+", choices=("chromium", "firefox"), default=["chromium", "firefox"])
    arguments = parser.parse_args()
    ferlane = pathlib.Path(arguments.ferlane).resolve()
    page_file = pathlib.Path(arguments.page).resolve()
    recorder = Recorder({"/index.html": page_file})
    width, height = arguments.size.split("x")
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        files = make_turntable(arguments.scene_tool, folder, arguments.frames, width, height)
        pages = {engine: ENGINES[engine](recorder) for engine in arguments.engines}
        console, seconds, zips, failures = [], {engine: [] for engine in pages}, {}, {}
        try:
            for _ in range(arguments.rounds):
                console.append(console_seconds(ferlane, folder))
                for engine, page in pages.items():
                    took, size = page_batch(page, page_file.as_uri(), files)
                    if took is None:
                        failures[engine] = size
                        continue
                    seconds[engine].append(took)
                    zips[engine] = size
            peaks = {engine: page.tab_peak_bytes() for engine, page in pages.items()}
        finally:
            for page in pages.values():
                page.close()
    recorder.close()
    frames = arguments.frames
    print(f"{frames} frames of {arguments.size}, {arguments.rounds} rounds, medians")
    median = statistics.median(console)
    print(f"{'console xargs -P 2':24} {median:8.1f} s {60 * frames / median:7.1f} frames/min")
    for engine, values in seconds.items():
        if engine in failures:
            print(f"{engine:24} failed: {failures[engine]}")
            continue
        median = statistics.median(values)
        print(f"{engine + ' page':24} {median:8.1f} s {60 * frames / median:7.1f} frames/min"
              f", tab peak {peaks[engine] / 2 ** 30:.2f} GiB, zip {zips[engine]:.0f} MB")


if __name__ == "__main__":
    main()
