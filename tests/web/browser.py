"""Drives the built page as a user would, in three engines: Debian's Chromium and
WebKitGTK through Selenium, and its Firefox ESR through puppeteer-core
(firefox.mjs). Files are chosen in the page's boxes or dropped on them, the run is
waited for, and results are saved with the page's buttons. Every browser's only
way out is the Recorder, which serves the page and hears every request."""
import base64
import http.server
import json
import mimetypes
import os
import pathlib
import shutil
import subprocess
import tempfile
import threading
import time
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service as ChromeService
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.webkitgtk.service import Service as WebKitService

HERE = pathlib.Path(__file__).resolve().parent
SAVED_NAMES = {"alpha": "alpha.bmp", "error": "error.bmp", "fg": "fg.bmp", "subject": "subject.png",
               "composite": "composite.png"}
# The order files are given in: the two backgrounds last, so that the only run
# started is the one for the whole set.
GIVING_ORDER = ("alpha", "image0", "image1", "background0", "background1")
# The keys the cases press, by their names in the page's KeyboardEvent.key
# (puppeteer's) and Selenium's.
KEY_NAMES = {"Tab": "TAB", "Enter": "ENTER", "Space": "SPACE", "ArrowRight": "ARROW_RIGHT"}
# What crosses to the page in one script call when files are dropped.
PIECE = 4 << 20
# Where Chromium calls of itself, whatever page it shows: its updates, its
# accounts, its search engine. A page's request to them would go unheard.
CHROMIUM_OWN_HOSTS = ("update.googleapis.com", "accounts.google.com", "clients2.google.com",
                      "start.duckduckgo.com")


class Recorder:
    """A static server for the pages that is also every test browser's proxy, so
    that it hears each HTTP request any part of a browser makes, to any address,
    loopback included. It answers nothing but the pages: other requests get 502."""

    def __init__(self, pages):
        self.pages = pages  # path on the server ("/index.html") -> file
        self.heard = []
        recorder = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *arguments):
                pass

            def answer(self):
                url = self.path if self.command == "CONNECT" or "://" in self.path \
                    else f"http://{self.headers.get('Host', '')}{self.path}"
                recorder.heard.append(f"{self.command} {url}")
                parts = urllib.parse.urlsplit(url)
                page = recorder.pages.get(parts.path) if parts.netloc == recorder.address else None
                if self.command != "GET" or page is None:
                    self.send_error(502)
                    return
                body = pathlib.Path(page).read_bytes()
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)

        for method in ("GET", "HEAD", "POST", "PUT", "DELETE", "OPTIONS", "PATCH", "CONNECT"):
            setattr(Handler, f"do_{method}", Handler.answer)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.address = f"127.0.0.1:{self.server.server_port}"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, path):
        return f"http://{self.address}{path}"

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def peak_bytes(root_pid, marker):
    """The largest peak resident size among the processes below root_pid whose
    command line holds marker: a browser's page processes, workers included."""
    parents = {}
    for stat in pathlib.Path("/proc").glob("[0-9]*/stat"):
        try:
            parents[int(stat.parent.name)] = int(stat.read_text().rsplit(")", 1)[1].split()[1])
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
            if marker not in pathlib.Path(f"/proc/{pid}/cmdline").read_bytes():
                continue
            for line in pathlib.Path(f"/proc/{pid}/status").read_text().splitlines():
                if line.startswith("VmHWM:"):
                    peak = max(peak, int(line.split()[1]) * 1024)
        except OSError:
            continue
    return peak


def page_side(name):
    """The source of page_side/NAME.js: one function expression, which Page.call
    calls in the page. Kept in files of their own, so that ESLint reads them."""
    return (HERE / "page_side" / f"{name}.js").read_text(encoding="utf-8")


HOOK = page_side("hook")
SAVE = page_side("save")
STAGE = page_side("stage")
DROP = page_side("drop")
DROP_TOGETHER = page_side("drop_together")
WAIT = page_side("wait")
SHOWN = page_side("shown")


class Page:
    """One browser with one tab, shared by all the cases of an engine. Engines
    differ in starting, in calling a function in the page, and in giving a file
    to a box's file input (`choose_by_input`, None where the driver cannot)."""

    name = ""
    tab_process = b""  # what a page process's command line holds
    choose_by_input = None

    def call(self, function, *arguments):
        """The value of the JavaScript function, awaited, called in the page."""
        raise NotImplementedError

    def open(self, url):
        self._open(url)
        self.call(HOOK)

    def give(self, files, by="input"):
        """Gives files (box -> path) to the page, chosen in each box's file input
        where the engine allows (by="input") or dropped on the boxes (by="drop")."""
        # What the page last showed is no answer for this choice.
        self.call("() => { document.getElementById('state').dataset.state = 'chosen'; }")
        order = sorted(files, key=GIVING_ORDER.index)
        if by == "input" and self.choose_by_input:
            for slot in order:
                self.choose_by_input(slot, pathlib.Path(files[slot]).resolve())
            return
        drops = []
        for number, slot in enumerate(order):
            path = pathlib.Path(files[slot])
            key = f"file{number}"
            self._stage(key, path)
            drops.append({"slot": slot, "key": key, "name": path.name,
                          "type": mimetypes.guess_type(path.name)[0] or ""})
        ignored = self.call(DROP, drops)
        if ignored:
            raise AssertionError(f"boxes that let a dragged file through to the browser: {ignored}")

    def _stage(self, key, path):
        with pathlib.Path(path).open("rb") as stream:
            while piece := stream.read(PIECE):
                self.call(STAGE, key, base64.b64encode(piece).decode())

    def drop_together(self, named_paths, selector):
        """Drops files (name -> path) together on the element the selector finds."""
        self.call("() => { document.getElementById('state').dataset.state = 'chosen'; }")
        files = []
        for number, (name, path) in enumerate(named_paths.items()):
            self._stage(f"together{number}", path)
            files.append({"key": f"together{number}", "name": name})
        if not self.call(DROP_TOGETHER, selector, files):
            raise AssertionError(f"{selector} lets a dragged file through to the browser")

    def press(self, key):
        """Presses a key (Tab, Enter, Space, ArrowRight) where the focus is."""
        raise NotImplementedError

    def viewport(self, width=None, height=None):
        """Sets the page's viewport, or gives back the browser's own without sizes."""
        raise NotImplementedError

    def screenshot(self, path):
        """A PNG of what the viewport shows."""
        raise NotImplementedError

    def wait(self, timeout=300):
        """Waits for the run to end; returns (state, message, steps)."""
        deadline = time.monotonic() + timeout
        while True:
            state, message, steps, self.milliseconds = self.call(WAIT, 5000)
            if state in ("done", "failed"):
                return state, message, steps
            if time.monotonic() > deadline:
                raise TimeoutError(f"the run did not end: {message}")

    def run_milliseconds(self):
        return int(self.milliseconds)

    def shown(self, selector):
        """The elements shown for the selector: [data-save or data-slot, text]."""
        return self.call(SHOWN, selector)

    def text(self, selector):
        return self.call("(selector) => document.querySelector(selector).textContent", selector)

    def click(self, selector):
        self.call("(selector) => { document.querySelector(selector).click(); }", selector)

    def offered_saves(self):
        return {name for name, _ in self.shown("#saves [data-save]")}

    def save(self, names, folder):
        """Clicks the save buttons and returns the saved files' paths by name."""
        folder = pathlib.Path(folder)
        folder.mkdir(parents=True, exist_ok=True)
        saved = {}
        for name in names:
            file_name, data = self.call(SAVE, name)
            if file_name != SAVED_NAMES[name]:
                raise AssertionError(f"the button for {name} saves {file_name!r}")
            saved[name] = folder / file_name
            saved[name].write_bytes(base64.b64decode(data))
        return saved

    def save_by_key(self, key, folder):
        """Presses the key and returns the path of the file that it saved."""
        self.call("() => { window.ferlaneHarness.saved.length = 0; }")
        self.press(key)
        file_name, data = self.call(SAVE, None)
        path = pathlib.Path(folder) / file_name
        path.write_bytes(base64.b64decode(data))
        return path

    def tab_peak_bytes(self):
        return peak_bytes(self.root_pid, self.tab_process)


class SeleniumPage(Page):
    def call(self, function, *arguments):
        answer = self.driver.execute_async_script(
            f"const done = arguments[arguments.length - 1];"
            f"Promise.resolve().then(() => ({function})(...arguments[0]))"
            f".then((value) => done({{ ok: value ?? null }}), (error) => done({{ error: String(error) }}));",
            list(arguments))
        if "error" in answer:
            raise RuntimeError(f"in the page: {answer['error']}")
        return answer["ok"]

    def _open(self, url):
        self.driver.get(url)

    def press(self, key):
        ActionChains(self.driver).send_keys(getattr(Keys, KEY_NAMES[key])).perform()

    def screenshot(self, path):
        self.driver.save_screenshot(str(path))

    def close(self):
        self.driver.quit()


class Chromium(SeleniumPage):
    name = "chromium"
    tab_process = b"--type=renderer"

    def __init__(self, recorder, width=1280, height=900):
        self.profile = tempfile.mkdtemp(prefix="ferlane-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         "--disable-dev-shm-usage", f"--window-size={width},{height}",
                         f"--user-data-dir={self.profile}",
                         "--disable-features=NetworkTimeServiceQuerying,OptimizationHints,MediaRouter,Translate",
                         # Every request through the recorder, loopback too, but for the
                         # browser's own hosts, which no flag quiets: they go direct, and
                         # there no name resolves.
                         f"--proxy-server=http://{recorder.address}",
                         f"--proxy-bypass-list=<-loopback>;{';'.join(CHROMIUM_OWN_HOSTS)}",
                         "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1"):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=ChromeService("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(600)
        self.root_pid = self.driver.service.process.pid

    def choose_by_input(self, slot, path):
        self.driver.find_element(By.CSS_SELECTOR, f'.slot[data-slot="{slot}"] input[type=file]').send_keys(str(path))

    def viewport(self, width=None, height=None):
        if width is None:
            self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        else:
            self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": width, "height": height, "deviceScaleFactor": 1, "mobile": True})

    def close(self):
        super().close()
        shutil.rmtree(self.profile, ignore_errors=True)


class WebKit(SeleniumPage):
    """WebKitGTK's MiniBrowser under an Xvfb of its own. Its driver takes no file
    in a file input ("element not interactable"): files are always dropped."""
    name = "webkit"
    tab_process = b"WebKitWebProcess"

    def __init__(self, recorder, width=1280, height=900):
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", f"{width}x{height}x24",
                                      "-nolisten", "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        display = self.xvfb.stdout.readline().decode().strip()
        self.service = None
        try:
            if not display:
                raise RuntimeError("Xvfb did not start")
            environment = {**os.environ, "DISPLAY": f":{display}"}
            self.service = WebKitService("/usr/bin/WebKitWebDriver", env=environment)
            self.service.start()
            options = webdriver.WebKitGTKOptions()
            options.binary_location = str(next(pathlib.Path("/usr/lib").glob("*/webkit2gtk-4.1/MiniBrowser")))
            options.add_argument("--automation")
            options.set_capability("proxy", {"proxyType": "manual", "httpProxy": recorder.address,
                                             "sslProxy": recorder.address})
            self.driver = webdriver.Remote(self.service.service_url, options=options)
            self.driver.set_script_timeout(600)
            self.driver.set_window_size(width, height)
            self.size = (width, height)
            self.root_pid = self.service.process.pid
        except BaseException:
            self._stop()
            raise

    def viewport(self, width=None, height=None):
        self.driver.set_window_size(*((width, height) if width else self.size))

    def _stop(self):
        if self.service:
            self.service.stop()
        self.xvfb.terminate()
        self.xvfb.wait()

    def close(self):
        try:
            super().close()
        finally:
            self._stop()


class Firefox(Page):
    name = "firefox"
    tab_process = b"-isForBrowser"

    def __init__(self, recorder, width=1280, height=900):
        self.width, self.height = width, height
        host, port = recorder.address.split(":")
        prefs = {
            # Every request through the recorder, loopback too.
            "network.proxy.type": 1, "network.proxy.http": host, "network.proxy.http_port": int(port),
            "network.proxy.ssl": host, "network.proxy.ssl_port": int(port),
            "network.proxy.no_proxies_on": "", "network.proxy.allow_hijacking_localhost": True,
            # Nothing of its own asked for: updates, reports, portals, lists, settings.
            "app.update.auto": False, "app.update.enabled": False,
            "browser.safebrowsing.update.enabled": False, "browser.region.update.enabled": False,
            "browser.region.network.url": "", "network.captive-portal-service.enabled": False,
            "network.connectivity-service.enabled": False, "network.dns.disablePrefetch": True,
            "network.prefetch-next": False, "network.predictor.enabled": False,
            "toolkit.telemetry.enabled": False, "toolkit.telemetry.server": "",
            "toolkit.telemetry.unified": False, "datareporting.usage.uploadEnabled": False,
            # Remote settings read from an empty data: URL, which a release build
            # takes only with MOZ_REMOTE_SETTINGS_DEVTOOLS set.
            "services.settings.server": "data:,#remote-settings-dummy/v1",
            "messaging-system.rsexperimentloader.enabled": False, "extensions.blocklist.enabled": False,
            "browser.newtabpage.activity-stream.feeds.snippets": False,
            "identity.fxaccounts.enabled": False, "browser.ping-centre.telemetry": False,
            # puppeteer loosens this for its own tests; a person's Firefox has it.
            "security.fileuri.strict_origin_policy": True,
        }
        self.process = subprocess.Popen(
            ["node", str(HERE / "firefox.mjs"), json.dumps({"prefs": prefs, "width": width, "height": height})],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, cwd=HERE,
            env={**os.environ, "MOZ_REMOTE_SETTINGS_DEVTOOLS": "1"})
        self.root_pid = self._answer()["pid"]

    def _answer(self):
        line = self.process.stdout.readline()
        if not line:
            raise RuntimeError(f"firefox.mjs ended (status {self.process.wait()})")
        answer = json.loads(line)
        if "error" in answer:
            raise RuntimeError(f"in Firefox: {answer['error']}")
        return answer["ok"]

    def _command(self, **command):
        self.process.stdin.write(json.dumps(command) + "\n")
        self.process.stdin.flush()
        return self._answer()

    def call(self, function, *arguments):
        return self._command(call=function, args=list(arguments))

    def _open(self, url):
        self._command(open=url)

    def press(self, key):
        # puppeteer names the space bar by its character.
        self._command(press=" " if key == "Space" else key)

    def screenshot(self, path):
        self._command(screenshot=str(path))

    def viewport(self, width=None, height=None):
        self._command(viewport=[width or self.width, height or self.height])

    def choose_by_input(self, slot, path):
        self._command(upload=f'.slot[data-slot="{slot}"] input[type=file]', paths=[str(path)])

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()


ENGINES = {engine.name: engine for engine in (Chromium, Firefox, WebKit)}
