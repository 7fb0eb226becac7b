"""Drives the built page in Debian's headless Chromium, as a user would: files
chosen in the page's boxes, the run waited for, results saved with its buttons."""
import json
import pathlib
import shutil
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

SLOTS = ("background0", "image0", "background1", "image1", "alpha")
SAVED_NAMES = {"alpha": "alpha.bmp", "error": "error.bmp", "fg": "fg.bmp", "subject": "subject.png",
               "composite": "composite.png"}


class Page:
    def __init__(self, url, width=1280, height=900):
        self.url = url
        self.profile = tempfile.mkdtemp(prefix="ferlane-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         "--disable-dev-shm-usage", f"--window-size={width},{height}",
                         f"--user-data-dir={self.profile}"):
            options.add_argument(argument)
        # Every request the page makes is in the performance log.
        options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(120)

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def open(self):
        self.driver.get(self.url)
        self.driver.get_log("performance")  # what is left from earlier pages

    def choose(self, files):
        """files: slot name -> path. The two backgrounds go last, so the only run
        started is the one for the whole set."""
        # What the page last showed is no answer for this choice.
        self.driver.execute_script("document.getElementById('state').dataset.state = 'chosen'")
        inputs = self.driver.find_elements(By.CSS_SELECTOR, ".slot input[type=file]")
        order = ("alpha", "image0", "image1", "background0", "background1")
        for slot in sorted(files, key=order.index):
            inputs[SLOTS.index(slot)].send_keys(str(pathlib.Path(files[slot]).resolve()))

    def wait(self, timeout=300):
        """Waits for the run to end; returns (state, message, steps)."""
        state = self.driver.find_element(By.ID, "state")
        deadline = time.monotonic() + timeout
        while state.get_attribute("data-state") not in ("done", "failed"):
            if time.monotonic() > deadline:
                raise TimeoutError(f"the run did not end: {state.text}")
            time.sleep(0.05)
        steps = self.driver.execute_script(
            "return [...document.querySelectorAll('#steps li')].map((item) => item.firstChild.textContent)")
        return state.get_attribute("data-state"), state.text, steps

    def step_lines(self):
        """The steps with their durations, as shown."""
        return [item.text for item in self.driver.find_elements(By.CSS_SELECTOR, "#steps li")]

    def run_milliseconds(self):
        return int(self.driver.find_element(By.ID, "state").get_attribute("data-ms"))

    def text(self, selector):
        return self.driver.find_element(By.CSS_SELECTOR, selector).text

    def offered_saves(self):
        buttons = self.driver.find_elements(By.CSS_SELECTOR, "#saves button")
        return {b.get_attribute("data-save") for b in buttons if b.is_displayed()}

    def save(self, names, folder):
        """Clicks the save buttons and returns the saved files' paths by name."""
        folder = pathlib.Path(folder)
        folder.mkdir(parents=True, exist_ok=True)
        self.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                    {"behavior": "allow", "downloadPath": str(folder)})
        saved = {}
        for name in names:
            self.driver.find_element(By.CSS_SELECTOR, f'#saves [data-save="{name}"]').click()
            path = folder / SAVED_NAMES[name]
            deadline = time.monotonic() + 120
            while not path.exists() or any(folder.glob("*.crdownload")):
                if time.monotonic() > deadline:
                    raise TimeoutError(f"{path.name} was not saved")
                time.sleep(0.05)
            saved[name] = path
        return saved

    def requested_urls(self):
        """The URLs of all requests since the page was opened."""
        urls = []
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                urls.append(message["params"]["request"]["url"])
        return urls
