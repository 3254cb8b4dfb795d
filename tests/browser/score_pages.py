#!/usr/bin/env python3
"""The score server's pages in a real browser: headless Chromium through chromedriver and
Selenium opens an upload address, presses Publish and follows to the table, at a phone's and a
desktop's size, against the real server program on a loopback port with its own SQLite file.
Saves a screenshot of each page (PNG) into the output folder.

    score_pages.py --server BUILD/scoreserver/scoreserver --queries BUILD/.../upload_queries
                   --out FOLDER
"""

import argparse
import html
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

ARGS = None
PHONE = {"width": 390, "height": 844, "deviceScaleFactor": 2, "mobile": True}
DESKTOP = {"width": 1280, "height": 800, "deviceScaleFactor": 1, "mobile": False}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Server:
    """The real server program on a free loopback port, with an SQLite file in `folder`."""

    def __init__(self, program, folder):
        self.log = open(os.path.join(folder, "server.log"), "w+")
        for _ in range(5):
            self.port = free_port()
            self.process = subprocess.Popen(
                [program, "--listen", f"127.0.0.1:{self.port}", "--database",
                 os.path.join(folder, "scores.db")],
                stdout=self.log, stderr=subprocess.STDOUT)
            if self._wait_listening():
                return
            self.process.wait(10)
        raise RuntimeError("the server did not start:\n" + self.output())

    def _wait_listening(self):
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                return False
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1):
                    return True
            except OSError:
                time.sleep(0.05)
        return False

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def output(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read()

    def stop(self):
        """Ends the server as its service manager would; returns its exit code."""
        self.process.terminate()
        try:
            return self.process.wait(30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None


def publish_without_browser(server, query):
    """The preview's form read and posted as a browser would, for the rows around ours."""
    with urllib.request.urlopen(server.url("/cgi-bin/hiscore.cgi?" + query), timeout=10) as r:
        page = r.read().decode()
    action = html.unescape(re.search(r'<form method="post" action="([^"]*)"', page).group(1))
    token = re.search(r'name="token" value="([^"]*)"', page).group(1)
    body = urllib.parse.urlencode({"token": token}).encode()
    with urllib.request.urlopen(server.url(action), data=body, timeout=10) as r:
        return r.status


def chromium():
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="score-pages-chromium-")
    # Run as root in a closed network: no sandbox, no GPU, and none of the browser's own
    # calls home, which the network would refuse again and again.
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
                 f"--user-data-dir={profile}", "--window-size=1280,800"):
        options.add_argument(flag)
    service = Service(executable_path=shutil.which("chromedriver") or "/usr/bin/chromedriver")
    driver = webdriver.Chrome(service=service, options=options)
    driver.set_page_load_timeout(30)
    return driver, profile


class ScorePagesInABrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="score-pages-")
        lines = subprocess.run([ARGS.queries], check=True, capture_output=True,
                               text=True).stdout.split()
        pairs = list(zip(lines[0::2], lines[1::2]))
        cls.score, cls.query = int(pairs[0][0]), pairs[0][1]
        cls.others = [(int(s), q) for s, q in pairs[1:]]
        cls.server = Server(ARGS.server, cls.folder)
        for _, query in cls.others:
            assert publish_without_browser(cls.server, query) == 200
        cls.rank = 1 + sum(1 for s, _ in cls.others if s > cls.score)
        cls.driver, cls.profile = chromium()
        os.makedirs(ARGS.out, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        code = cls.server.stop()
        output = cls.server.output()
        shutil.rmtree(cls.profile, ignore_errors=True)
        shutil.rmtree(cls.folder, ignore_errors=True)
        # A sanitizer build reports its findings on the way out; the server must end cleanly.
        if code != 0 or "Sanitizer" in output:
            raise AssertionError(f"the server ended with {code}:\n{output}")

    def size(self, metrics):
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)

    def shot(self, name):
        path = os.path.join(ARGS.out, name + ".png")
        self.assertTrue(self.driver.save_screenshot(path), path)
        with open(path, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n", path)

    def check_page(self, name, metrics):
        """What every page has: the logo loaded, and on the phone its own width with no
        sideways scrolling. Then the screenshot."""
        js = self.driver.execute_script
        self.assertTrue(js("return document.readyState") == "complete", name)
        logo = self.driver.find_element(By.CSS_SELECTOR, "header img")
        self.assertTrue(js("return arguments[0].complete && arguments[0].naturalWidth > 0", logo),
                        f"{name}: the logo did not load")
        self.assertEqual(logo.get_attribute("alt"), "Gatefold")
        width, inner = js("return [document.documentElement.scrollWidth, window.innerWidth]")
        self.assertEqual(inner, metrics["width"], f"{name}: the page is not laid out at the "
                         "device's width (viewport)")
        self.assertLessEqual(width, inner, f"{name}: the page scrolls sideways")
        # The logo is drawn at twice its shown size, and shown no wider than the page.
        natural, shown = js("return [arguments[0].naturalWidth, arguments[0].clientWidth]", logo)
        self.assertLessEqual(shown, min(natural // 2, inner))
        self.shot(name)
        if metrics["mobile"]:
            # The narrowest phones in use are 360 px wide: the page, and every table inside
            # its panel, still fit.
            self.size(dict(metrics, width=360))
            fits = js("const main = document.querySelector('main').getBoundingClientRect();"
                      "return [document.documentElement.scrollWidth, window.innerWidth, "
                      "[...document.querySelectorAll('main table')].every("
                      "t => t.getBoundingClientRect().right <= main.right)]")
            self.assertEqual(fits, [360, 360, True], f"{name}: too wide for 360 px")
            self.size(metrics)

    def follow(self, element):
        """Clicks a button or link and waits until the next page has loaded in its place."""
        # The old page's window is marked; the next page has a window of its own. A query
        # that lands while the pages change over may fail: it is asked again.
        self.driver.execute_script("window.scorePagesLeft = true")
        element.click()
        WebDriverWait(self.driver, 20, ignored_exceptions=(WebDriverException,)).until(
            lambda d: d.execute_script(
                "return window.scorePagesLeft !== true && document.readyState === 'complete'"))

    def rows(self):
        """The table's rows as (class, cells' texts), without the heading row."""
        found = []
        for tr in self.driver.find_elements(By.CSS_SELECTOR, "main table tr"):
            cells = [td.text for td in tr.find_elements(By.TAG_NAME, "td")]
            if cells:
                found.append((tr.get_attribute("class") or "", cells))
        return found

    def flow(self, label, metrics, first):
        """Upload address, Publish, the published page, then its table."""
        d = self.driver
        self.size(metrics)
        d.get(self.server.url("/cgi-bin/hiscore.cgi?" + self.query))
        self.assertEqual(d.find_element(By.TAG_NAME, "h1").text, "Publish your score?")
        text = d.find_element(By.TAG_NAME, "main").text
        self.assertIn("Ada Lovelace", text)
        self.assertIn(str(self.score), text)
        self.assertIn("yes, by replaying its moves", text)
        # The entry's address and e-mail are not shown (the form's action, the upload's own
        # query sent back to the same player, still carries them).
        shown = d.find_element(By.TAG_NAME, "body").text
        self.assertNotIn("Secret Road", shown)
        self.assertNotIn("example.org", shown)
        button = d.find_element(By.CSS_SELECTOR, "form button[type=submit]")
        self.assertEqual(button.text, "Publish")
        self.assertGreaterEqual(button.size["height"], 44)
        self.check_page(f"{label}-preview", metrics)

        self.follow(button)
        self.assertEqual(d.find_element(By.TAG_NAME, "h1").text, "Tintaro hall of fame")
        said = "Your score was published" if first else "This score is in the hall of fame already"
        self.assertIn(f"{said}, at rank {self.rank}.", d.find_element(By.TAG_NAME, "main").text)
        mine = [cells for cls, cells in self.rows() if "you" in cls.split()]
        self.assertEqual(len(mine), 1, self.rows())
        self.assertEqual(mine[0][:3], [str(self.rank), "Ada Lovelace", str(self.score)])
        self.assertIn("replayed", mine[0][4])
        self.check_page(f"{label}-published", metrics)

        link = d.find_element(By.LINK_TEXT, "The whole table")
        self.assertGreaterEqual(link.size["height"], 44)
        self.follow(link)
        self.assertIn("Page 1 of 1, 6 scores.", d.find_element(By.TAG_NAME, "main").text)
        rows = self.rows()
        self.assertEqual([cells[0] for _, cells in rows], [str(r) for r in range(1, 7)])
        ours = rows[self.rank - 1]
        self.assertEqual(ours[1][1:3], ["Ada Lovelace", str(self.score)])
        self.assertNotIn("unchecked", ours[0].split())
        self.assertIn("replayed", ours[1][4])
        # The rows that came without moves are set apart, and markup in a name is text.
        for cls, cells in rows:
            if cells[1] != "Ada Lovelace":
                self.assertIn("unchecked", cls.split(), cells)
                self.assertEqual(cells[4], "unchecked")
        self.assertIn("<b>Cy</b>", [cells[1] for _, cells in rows])
        self.check_page(f"{label}-table", metrics)

        self.follow(d.find_element(By.LINK_TEXT, "All games"))
        self.assertEqual(d.find_element(By.TAG_NAME, "h1").text, "Halls of fame")
        self.assertIn("Tintaro, 6 scores", d.find_element(By.TAG_NAME, "main").text)
        self.check_page(f"{label}-games", metrics)

        d.get(self.server.url("/hiscores?game=Nothing"))
        self.assertEqual(d.find_element(By.TAG_NAME, "h1").text, "Not found")
        self.assertIn("No such hall of fame.", d.find_element(By.TAG_NAME, "main").text)
        self.check_page(f"{label}-message", metrics)
        self.follow(d.find_element(By.LINK_TEXT, "All games"))
        self.assertEqual(d.find_element(By.TAG_NAME, "h1").text, "Halls of fame")

    def test_publish_and_read_the_table_on_a_phone_then_a_desktop(self):
        self.flow("phone", PHONE, first=True)
        # The same upload again is the same row, found there already.
        self.flow("desktop", DESKTOP, first=False)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    parser.add_argument("--queries", required=True)
    parser.add_argument("--out", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
