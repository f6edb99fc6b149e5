#!/usr/bin/env python3
"""The studio in a real browser.

Starts `opbaff-design serve` in a temporary working folder that holds an
Opbaffin.txt, loads the page in headless Chromium, edits the design through
the inputs and by dragging the driver, and checks that what the page plots and
tabulates is exactly what the JSON API answers for the same design; then
downloads Opbaffin.txt, runs opbaff on it and compares OPBAFF.bds with the
API's standard-grid levels.

    studio_test.py OPBAFF_DESIGN OPBAFF                 run the tests
    studio_test.py OPBAFF_DESIGN OPBAFF --screenshot F  save a picture of the studio

Needs chromium, chromedriver and python3-selenium (scripts/setup.sh test installs
them). Without them the tests are skipped, except when CI is set.
"""

import json
import math
import os
import queue
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.parse
import urllib.request

SYSTEM_PYTHON = "/usr/bin/python3"
SKIP_EXIT_CODE = 77


def import_selenium():
    """Selenium, or the reason it cannot be had. Debian's python3-selenium lives
    in the system Python's packages: another python3 first on PATH re-runs this
    script (the one run, which may be another page test) with the system one."""
    try:
        import selenium  # noqa: F401
        return None
    except ImportError:
        pass
    if (os.path.exists(SYSTEM_PYTHON) and os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON)
            and not os.environ.get("OPBAFF_STUDIO_TEST_REEXEC")):
        probe = subprocess.run([SYSTEM_PYTHON, "-c", "import selenium"], capture_output=True)
        if probe.returncode == 0:
            os.environ["OPBAFF_STUDIO_TEST_REEXEC"] = "1"
            os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, os.path.abspath(sys.argv[0]), *sys.argv[1:]])
    return "python3-selenium is not installed"


def missing_browser():
    """Why no browser can be driven here, or None."""
    reason = import_selenium()
    if reason:
        return reason
    if not (shutil.which("chromium") or shutil.which("chromium-browser")):
        return "chromium is not installed"
    if not shutil.which("chromedriver"):
        return "chromedriver is not installed (Debian package chromium-driver)"
    return None


DESIGN_EXE = None
OPBAFF_EXE = None

# The design the working folder starts with: not the example, so that the page
# shows it only if it really read the file.
START_FILE = """0
r          rectangular
90         height, cm
50         width, cm
18         driver from the side edge of side 2, cm
62         driver above the bottom edge, cm
21         driver diameter, cm
38         resonance, Hz
0.65       Q
2.5        listener distance, m
x          rear phase factor on
y          piston factor on
55         round baffle, cm
x          full rear level
25         listening angle, degrees
"""
START_VALUES = {"baffleHeightCm": 90, "baffleWidthCm": 50, "driverXCm": 18, "driverYCm": 62,
                "driverDiameterCm": 21, "resonanceHz": 38, "qualityFactor": 0.65,
                "listenerDistanceM": 2.5, "roundBaffleDiameterCm": 55, "offAxisAngleDeg": 25}


def f32(x):
    return struct.pack("<f", x)


def formatted(x):
    """A design's value as a person types it: 65.0 as "65", 0.65 as "0.65"."""
    text = repr(float(x))
    return text[:-2] if text.endswith(".0") else text


def e16_8(x):
    """A level as OPBAFF.bds writes it (E16.8): " -0.38225868E+02". Eight
    digits do not tell every float apart, so levels are compared in this form."""
    x = struct.unpack("<f", f32(x))[0]  # the float itself, not the shortest text's double
    if x == 0:
        return "  0.00000000E+00"
    text = f"{abs(x):.7E}"  # "3.8225868E+01": the same eight digits, rounded alike
    digits = text[0] + text[2:9]
    exponent = int(text[10:]) + 1
    return f"{'-' if x < 0 else ''}0.{digits}E{'+' if exponent >= 0 else '-'}{abs(exponent):02d}".rjust(16)


class Server:
    """`opbaff-design serve --port 0` in a working folder, its address read
    from the line it prints."""

    def __init__(self, workdir):
        self.process = subprocess.Popen(
            [DESIGN_EXE, "serve", "--port", "0", "--stop-after", "300"], cwd=workdir,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        lines = queue.Queue()

        def read():
            for line in self.process.stdout:
                lines.put(line)
            lines.put(None)

        threading.Thread(target=read, daemon=True).start()
        self.url = None
        seen = []
        deadline = time.monotonic() + 30
        while self.url is None and time.monotonic() < deadline:
            try:
                line = lines.get(timeout=deadline - time.monotonic())
            except queue.Empty:
                break
            if line is None:
                break
            seen.append(line)
            match = re.search(r"opbaff studio: (http://127\.0\.0\.1:\d+/)", line)
            if match:
                self.url = match.group(1)
        if self.url is None:
            self.stop()
            raise RuntimeError("the server printed no address: " + "".join(seen))
        self.opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))

    def request(self, path, body=None):
        """(status, content type, bytes) of a GET, or of a POST of body as JSON."""
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.url + path.lstrip("/"), data=data,
                                         method="GET" if body is None else "POST")
        if data is not None:
            request.add_header("Content-Type", "application/json")
        try:
            with self.opener.open(request, timeout=30) as answer:
                return answer.status, answer.headers.get("Content-Type", ""), answer.read()
        except urllib.error.HTTPError as error:
            return error.code, error.headers.get("Content-Type", ""), error.read()

    def json(self, path, body=None):
        status, _, content = self.request(path, body)
        if status != 200:
            raise AssertionError(f"{path}: status {status}: {content[:200]!r}")
        return json.loads(content)

    def text(self, path, body):
        status, _, content = self.request(path, body)
        if status != 200:
            raise AssertionError(f"{path}: status {status}: {content[:200]!r}")
        return content.decode()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def start_browser(download_dir, width=1400, height=1000):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or shutil.which("chromium-browser")
    profile = tempfile.mkdtemp(prefix="opbaff-studio-profile-")
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--no-first-run", "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", f"--user-data-dir={profile}", f"--window-size={width},{height}",
                     "--force-device-scale-factor=1", "--lang=en-GB"]:
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    options.add_experimental_option("prefs", {
        "download.default_directory": download_dir,
        "download.prompt_for_download": False,
        "safebrowsing.enabled": False,
    })
    browser = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    browser.profile_dir = profile
    browser.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": download_dir})
    browser.set_script_timeout(30)
    return browser


def quit_browser(browser):
    browser.quit()
    shutil.rmtree(browser.profile_dir, ignore_errors=True)


def wait_until(condition, what, timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


class PageTest(unittest.TestCase):
    """One server and one browser for the whole class, in a temporary working
    folder with a downloads folder; a subclass names what it tests and may
    fill the folder and wait for its page."""

    what = "the studio"

    @classmethod
    def prepare_workdir(cls):
        """Writes what the working folder starts with."""

    @classmethod
    def open_page(cls):
        """Waits until the page loaded is ready for the first test."""

    @classmethod
    def setUpClass(cls):
        reason = missing_browser()
        if reason:
            if os.environ.get("CI"):
                raise RuntimeError(f"the test of {cls.what} needs a browser in CI: {reason}")
            raise unittest.SkipTest(f"no browser to test {cls.what} with: {reason}")
        cls.workdir = tempfile.mkdtemp(prefix="opbaff-studio-")
        cls.downloads = os.path.join(cls.workdir, "downloads")
        os.mkdir(cls.downloads)
        cls.prepare_workdir()
        cls.server = Server(cls.workdir)
        try:
            cls.browser = start_browser(cls.downloads)
            cls.browser.get(cls.server.url)
            cls.open_page()
        except BaseException:
            cls.server.stop()
            shutil.rmtree(cls.workdir, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        quit_browser(cls.browser)
        cls.server.stop()
        shutil.rmtree(cls.workdir, ignore_errors=True)

    @classmethod
    def js(cls, script, *args):
        return cls.browser.execute_script(script, *args)


def run_tests(arguments):
    """The tests of the script run, verbose; exits 77 when all were skipped."""
    program = unittest.main(argv=[sys.argv[0], "-v", *arguments], exit=False)
    result = program.result
    if result.skipped and result.testsRun <= len(result.skipped) and result.wasSuccessful():
        sys.exit(SKIP_EXIT_CODE)
    sys.exit(0 if result.wasSuccessful() else 1)


class StudioTest(PageTest):
    """The tests run in the order of their names and each starts from the
    state the one before left."""

    @classmethod
    def prepare_workdir(cls):
        with open(os.path.join(cls.workdir, "Opbaffin.txt"), "w") as file:
            file.write(START_FILE)

    @classmethod
    def open_page(cls):
        cls.wait_idle()

    # ---- helpers ----

    @classmethod
    def wait_idle(cls):
        wait_until(lambda: cls.js("return !!window.studio && window.studio.idle()"),
                   "the studio to show the response of the design being edited")

    def settings(self):
        return self.js("return window.studio.lastSettings")

    def api_response(self, design, grid=None, phase=None):
        settings = self.settings()
        grid = grid or settings["grid"]
        phase = phase or settings["phase"]
        baffle_only = "&baffleOnly=1" if settings.get("baffleOnly") else ""
        return self.server.json(f"/api/response?grid={grid}&phase={phase}{baffle_only}", design)

    def plotted(self):
        return self.js("return window.studio.plotted()")

    def merit_cells(self, row):
        cells = self.browser.find_elements(
            "css selector", f'#merit-body tr[data-row="{row}"] td[data-merit]')
        self.assertEqual(len(cells), 6, row)

        def value(text):
            return None if text == "null" else text if text == "none" else float(text)
        return {cell.get_attribute("data-merit"): value(cell.get_attribute("data-value")) for cell in cells}

    def assert_page_shows_api_response(self):
        """The plot, the figures of merit and the page's last response are what
        the API answers for the design the page last drew."""
        design = self.js("return window.studio.lastDesign")
        self.assertEqual(design, self.js("return window.studio.design"))
        api = self.api_response(design)
        self.assertEqual(self.js("return window.studio.lastResponse"), api)
        plotted = self.plotted()
        self.assertEqual(plotted["frequencies"], api["frequencies"])
        curves = {curve["key"]: curve["levels"] for curve in plotted["curves"]}
        for column in api["columns"]:
            if column["name"] == "reference-level":
                self.assertNotIn(column["name"], curves, "the constant -100 dB column is not drawn")
            else:
                self.assertEqual(curves[column["name"]], column["levels"], column["name"])
        merit = self.merit_cells("current")
        for key, value in merit.items():
            self.assertEqual(value, api["merit"][key], key)
        return api, plotted

    def set_input(self, field, text):
        element = self.browser.find_element("id", field)
        element.clear()
        element.send_keys(text)
        self.wait_idle()

    def drag_driver(self, dx, dy):
        from selenium.webdriver.common.action_chains import ActionChains

        driver = self.browser.find_element("id", "driver")
        chain = ActionChains(self.browser, duration=10).click_and_hold(driver)
        for step in range(8):  # eight steps that add up to (dx, dy) exactly
            chain.move_by_offset(dx * (step + 1) // 8 - dx * step // 8,
                                 dy * (step + 1) // 8 - dy * step // 8).pause(0.06)
        chain.release().perform()
        self.wait_idle()

    def wait_download(self, name):
        path = os.path.join(self.downloads, name)
        wait_until(lambda: os.path.exists(path) and not os.path.exists(path + ".crdownload"),
                   f"the download of {name}")
        time.sleep(0.2)
        return path

    def clear_downloads(self):
        for name in os.listdir(self.downloads):
            os.remove(os.path.join(self.downloads, name))

    # ---- tests ----

    def test_1_starts_from_the_working_folders_parameter_file(self):
        self.assertEqual(self.js("return window.studio.source"), "Opbaffin.txt")
        design = self.js("return window.studio.design")
        for field, value in START_VALUES.items():
            self.assertEqual(f32(design[field]), f32(value), field)
            self.assertEqual(float(self.browser.find_element("id", field).get_attribute("value")), value, field)
        self.assertEqual(design["model"], "rectangular")
        self.assertTrue(self.browser.find_element("id", "model-rectangular").is_selected())
        self.assertEqual(self.server.json("/api/design")["design"]["model"], "rectangular")
        self.assert_page_shows_api_response()

    def test_2_typing_a_width_and_dragging_the_driver_recompute_the_response(self):
        _, before = self.assert_page_shows_api_response()
        merit_before = self.merit_cells("current")

        self.set_input("baffleWidthCm", "72")
        self.assertEqual(self.js("return window.studio.design.baffleWidthCm"), 72)
        api, after_width = self.assert_page_shows_api_response()
        self.assertNotEqual(after_width["curves"][0]["levels"], before["curves"][0]["levels"])
        self.assertNotEqual(self.merit_cells("current"), merit_before)
        self.assertEqual(self.browser.find_element("id", "dim-width").text, "72 cm")

        # While the driver moves, at most one response request is in flight:
        # each change supersedes the one before instead of queueing behind it.
        # Every response is held back 150 ms here, so that the drag's steps
        # (60 ms apart) always find one in flight.
        self.js("""
            const original = window.fetch;
            const open = new Set();
            window.__originalFetch = original;
            window.__responses = { most: 0, sent: 0, aborted: 0 };
            window.fetch = (url, init) => {
              if (!String(url).includes('/api/response')) return original(url, init);
              const r = window.__responses;
              const signal = init && init.signal;
              const request = { signal };
              for (const old of [...open]) if (old.signal && old.signal.aborted) open.delete(old);
              open.add(request);
              r.sent += 1;
              r.most = Math.max(r.most, open.size);
              return new Promise((resolve, reject) => {
                const timer = setTimeout(resolve, 150);
                if (signal) signal.addEventListener('abort', () => {
                  r.aborted += 1;
                  clearTimeout(timer);
                  reject(new DOMException('superseded', 'AbortError'));
                });
              }).then(() => original(url, init)).finally(() => open.delete(request));
            };""")
        x0, y0 = self.js("return [window.studio.design.driverXCm, window.studio.design.driverYCm]")
        self.drag_driver(64, -48)
        x1, y1 = self.js("return [window.studio.design.driverXCm, window.studio.design.driverYCm]")
        self.assertGreater(x1, x0 + 3, "dragging right moves the driver away from the left edge")
        self.assertGreater(y1, y0 + 3, "dragging up moves the driver away from the bottom edge")
        self.assertEqual(float(self.browser.find_element("id", "driverXCm").get_attribute("value")), x1)
        self.assertEqual(float(self.browser.find_element("id", "driverYCm").get_attribute("value")), y1)
        traffic = self.js("window.fetch = window.__originalFetch; return window.__responses")
        self.assertGreaterEqual(traffic["sent"], 3, "the response follows the drag, not only its end")
        self.assertGreaterEqual(traffic["aborted"], 1, "a newer position supersedes the request in flight")
        self.assertEqual(traffic["most"], 1)
        _, after_drag = self.assert_page_shows_api_response()
        self.assertNotEqual(after_drag["curves"][0]["levels"], after_width["curves"][0]["levels"])

    def test_2b_a_drag_moves_the_driver_by_the_distance_dragged(self):
        # The drawing's scale in CSS pixels per centimetre; a drag of a known number of pixels must move the driver by
        # the matching centimetres, in the direction of the drag, and back.
        def scale(axis):
            # The drawing's user unit is the centimetre.
            return self.js(f"""
                const m = document.getElementById('drawing').getScreenCTM();
                return '{axis}' === 'x' ? m.a : m.d;""")

        def position():
            return self.js("return [window.studio.design.driverXCm, window.studio.design.driverYCm]")

        cases = [  # (name, centimetres to move right, centimetres to move up)
            ("right", 12, 0), ("left", -9, 0), ("up", 0, 10), ("down", 0, -14),
        ]
        for name, right_cm, up_cm in cases:
            with self.subTest(name):
                # The scale holds during a drag; the drawing may be framed anew
                # after it, so each drag is measured with the scale it began with.
                x0, y0 = position()
                sx, sy = scale("x"), scale("y")
                dx, dy = round(right_cm * sx), -round(up_cm * sy)
                self.drag_driver(dx, dy)
                x1, y1 = position()
                self.assertAlmostEqual(x1 - x0, dx / sx, delta=0.5, msg="driverXCm follows the drag")
                self.assertAlmostEqual(y1 - y0, -dy / sy, delta=0.5, msg="driverYCm follows the drag")
                sx, sy = scale("x"), scale("y")
                self.drag_driver(-round((x1 - x0) * sx), round((y1 - y0) * sy))
                x2, y2 = position()
                self.assertAlmostEqual(x2, x0, delta=0.5, msg="dragging back restores driverXCm")
                self.assertAlmostEqual(y2, y0, delta=0.5, msg="dragging back restores driverYCm")

    def type_and_leave(self, field, text):
        """Types text into a box as a person does, then leaves the box."""
        from selenium.webdriver.common.keys import Keys

        element = self.browser.find_element("id", field)
        element.clear()
        element.send_keys(text, Keys.TAB)
        self.wait_idle()
        return element

    def field_note(self, field):
        note = self.browser.find_element("id", f"{field}-note")
        return note.text, "error" in note.get_attribute("class").split()

    def test_2c_what_is_typed_is_read_in_the_fields_unit_and_said(self):
        # (what, field, typed, value taken in the field's unit, text the box then shows, note)
        cases = [
            ("decimal comma in Q", "qualityFactor", "0,7", 0.7, "0.7", "0,7 read as 0.7"),
            ("inches in the diameter", "driverDiameterCm", "15in", 38.1, "38.1", "15 in = 38.1 cm"),
            ("inch mark in the diameter", "driverDiameterCm", '15"', 38.1, "38.1", "15 in = 38.1 cm"),
            ("millimetres in the width", "baffleWidthCm", "380mm", 38, "38", "380 mm = 38 cm"),
            ("metres and a comma in the width", "baffleWidthCm", "0,52 m", 52, "52", "0.52 m = 52 cm"),
            ("centimetres in the distance", "listenerDistanceM", "250 cm", 2.5, "2.5", "250 cm = 2.5 m"),
            ("feet in the distance", "listenerDistanceM", "10ft", 3.048, "3.048", "10 ft = 3.048 m"),
            ("kilohertz in the resonance", "resonanceHz", "0.05kHz", 50, "50", "0.05 kHz = 50 Hz"),
            ("a plain number", "resonanceHz", "41", 41, "41", ""),
        ]
        for what, field, typed, value, shown, note in cases:
            with self.subTest(what):
                element = self.type_and_leave(field, typed)
                self.assertEqual(f32(self.js("return window.studio.design")[field]), f32(value))
                self.assertEqual(f32(self.js("return window.studio.lastDesign")[field]), f32(value),
                                 "the design sent holds the value in the library's unit")
                self.assertEqual(element.get_attribute("value"), shown)
                self.assertEqual(self.field_note(field), (note, False))
                self.assertIsNone(element.get_attribute("aria-invalid"))
        # The arrow keys step by the served step, as a number box's do.
        from selenium.webdriver.common.keys import Keys
        step = next(f["step"] for f in self.server.json("/api/design")["fields"] if f["name"] == "resonanceHz")
        element = self.browser.find_element("id", "resonanceHz")
        element.send_keys(Keys.ARROW_UP, Keys.ARROW_UP, Keys.ARROW_DOWN)
        self.wait_idle()
        self.assertEqual(f32(self.js("return window.studio.lastDesign.resonanceHz")), f32(41 + step))
        self.assertEqual(float(element.get_attribute("value")), 41 + step)
        self.assert_page_shows_api_response()

    def test_2d_what_does_not_read_is_red_and_the_last_good_design_stays(self):
        cases = [  # (what, field, typed, words of the reason)
            ("letters in Q", "qualityFactor", "abc", "is not a number"),
            ("a length in Q", "qualityFactor", "3cm", "without cm"),
            ("a frequency in the width", "baffleWidthCm", "40Hz", "Hz is no unit of this value"),
            ("an unknown unit", "driverDiameterCm", "8 yd", "“yd” is no unit"),
            ("point and comma", "baffleHeightCm", "1,000.5", "is no unit"),
            ("nothing", "resonanceHz", "", "Enter a number"),
        ]
        for what, field, typed, reason in cases:
            with self.subTest(what):
                design = self.js("return window.studio.design")
                response = self.js("return window.studio.lastResponse")
                plotted = self.plotted()
                element = self.type_and_leave(field, typed)
                self.assertEqual(element.get_attribute("aria-invalid"), "true")
                self.assertIn("unreadable", element.get_attribute("class").split())
                text, error = self.field_note(field)
                self.assertTrue(error, "the note is the error's")
                self.assertIn(reason, text)
                self.assertEqual(element.get_attribute("value"), typed, "the text stays for correcting")
                self.assertEqual(self.js("return window.studio.design"), design)
                self.assertEqual(self.js("return window.studio.lastDesign"), design)
                self.assertEqual(self.js("return window.studio.lastResponse"), response)
                self.assertEqual(self.plotted(), plotted, "the last good response stays drawn")
                self.type_and_leave(field, formatted(design[field]))
                self.assertIsNone(element.get_attribute("aria-invalid"))
                self.assertEqual(self.js("return window.studio.design"), design)

    def test_2e_lengths_shown_in_inches_are_sent_in_the_librarys_units(self):
        from selenium.webdriver.support.ui import Select

        design = self.js("return window.studio.design")
        Select(self.browser.find_element("id", "length-unit")).select_by_value("in")
        box = self.browser.find_element("css selector", '[data-field="driverDiameterCm"]')
        self.assertEqual(box.find_element("class name", "unit").text, "in")
        self.assertAlmostEqual(float(box.find_element("tag name", "input").get_attribute("value")),
                               design["driverDiameterCm"] / 2.54, places=3)
        self.assertAlmostEqual(float(self.browser.find_element("id", "listenerDistanceM").get_attribute("value")),
                               design["listenerDistanceM"] / 0.3048, places=3)
        self.assertEqual(self.js("return window.studio.design"), design, "showing is no change")
        self.type_and_leave("driverDiameterCm", "10")
        self.assertEqual(f32(self.js("return window.studio.lastDesign.driverDiameterCm")), f32(25.4))
        self.assertEqual(self.field_note("driverDiameterCm"), ("25.4 cm kept", False))
        self.type_and_leave("driverDiameterCm", "254mm")
        self.assertEqual(self.field_note("driverDiameterCm"), ("254 mm = 10 in · 25.4 cm kept", False))
        Select(self.browser.find_element("id", "length-unit")).select_by_value("cm")
        self.assertEqual(box.find_element("tag name", "input").get_attribute("value"), "25.4")
        self.type_and_leave("driverDiameterCm", formatted(design["driverDiameterCm"]))
        self.assertEqual(self.js("return window.studio.design"), design)
        self.assert_page_shows_api_response()

    def test_3_checks_appear_beside_the_inputs_they_concern(self):
        width = self.js("return window.studio.design.baffleWidthCm")
        self.set_input("driverXCm", str(width + 15))
        design = self.js("return window.studio.design")
        notes = self.server.json("/api/check", design)["notes"]
        self.assertTrue(notes, "a driver outside the baffle deserves a note")
        self.assertEqual(self.js("return window.studio.notes"), notes)
        shown = self.browser.find_element("css selector", ".inputs").text
        for note in notes:
            self.assertIn(note["text"], shown)
        self.set_input("driverXCm", str(width / 2))
        self.assertEqual(self.js("return window.studio.notes"), [])

    def test_4_pinned_variants_keep_their_curve_and_figures(self):
        self.browser.find_element("id", "pin").click()
        pinned = self.js("return window.studio.design")
        self.set_input("baffleHeightCm", "120")
        self.browser.find_element("id", "pin").click()
        self.set_input("baffleHeightCm", "75")
        self.assert_page_shows_api_response()
        variants = self.js("return window.studio.variants")
        self.assertEqual(len(variants), 2)
        self.assertEqual(variants[0]["design"], pinned)
        self.assertEqual(f32(variants[1]["design"]["baffleHeightCm"]), f32(120))
        curves = {curve["key"]: curve for curve in self.plotted()["curves"]}
        for variant in variants:
            api = self.api_response(variant["design"])
            column = next(c for c in api["columns"] if c["name"] == api["merit"]["column"])
            self.assertEqual(curves[f"variant-{variant['id']}"]["levels"], column["levels"])
            self.assertEqual(curves[f"variant-{variant['id']}"]["label"], variant["name"])
            merit = self.merit_cells(f"variant-{variant['id']}")
            for key, value in merit.items():
                self.assertEqual(value, api["merit"][key], key)

        # A finer grid recomputes the variants on it too.
        self.browser.find_element("id", "grid-octave").click()
        self.wait_idle()
        wait_until(lambda: all((v["settings"] or {}).get("grid") == "24" for v in self.js("return window.studio.variants")),
                   "the variants on the new grid")
        curves = {curve["key"]: curve for curve in self.plotted()["curves"]}
        for variant in self.js("return window.studio.variants"):
            api = self.api_response(variant["design"], grid="24")
            column = next(c for c in api["columns"] if c["name"] == api["merit"]["column"])
            self.assertEqual(curves[f"variant-{variant['id']}"]["levels"], column["levels"])
        self.assert_page_shows_api_response()

    def test_4b_the_standard_grid_is_drawn_until_the_finer_grid_has_come(self):
        grid = self.settings()["grid"]
        self.assertNotEqual(grid, "standard", "test_4 left a finer grid")
        # Answers on the finer grid are held back until the test lets them go.
        self.js("""
            const original = window.fetch;
            window.__release = () => { window.fetch = original; window.__held.forEach((go) => go()); };
            window.__held = [];
            window.fetch = (url, init) => {
              if (!String(url).includes('/api/response?grid=' + arguments[0] + '&')) return original(url, init);
              return new Promise((go) => window.__held.push(go)).then(() => original(url, init));
            };""", grid)
        box = self.browser.find_element("id", "baffleHeightCm")
        box.clear()
        box.send_keys("93")
        design = wait_until(lambda: self.js("return window.studio.design.baffleHeightCm === 93 && window.studio.design"),
                            "the new height")
        standard = self.server.json(f"/api/response?grid=standard&phase={self.settings()['phase']}", design)
        wait_until(lambda: self.plotted()["frequencies"] == standard["frequencies"], "the standard grid drawn")
        curves = {c["key"]: c["levels"] for c in self.plotted()["curves"]}
        self.assertEqual(curves["rectangular-on-axis"], standard["columns"][0]["levels"])
        self.assertIn("until", self.browser.find_element("id", "status").text)
        self.js("window.__release()")
        self.wait_idle()
        fine = self.assert_page_shows_api_response()[0]
        self.assertGreater(len(fine["frequencies"]), len(standard["frequencies"]))

    def test_5_downloaded_parameter_file_gives_the_apis_levels_in_opbaff(self):
        self.clear_downloads()
        design = self.js("return window.studio.design")
        self.browser.find_element("id", "download-parameter-file").click()
        path = self.wait_download("Opbaffin.txt")
        with open(path, "rb") as file:
            text = file.read()
        self.assertEqual(text.decode(), self.server.text("/api/parameter-file", design))

        run = os.path.join(self.workdir, "run")
        os.makedirs(run, exist_ok=True)
        shutil.copy(path, os.path.join(run, "Opbaffin.txt"))
        subprocess.run([OPBAFF_EXE], cwd=run, check=True, timeout=60)
        with open(os.path.join(run, "OPBAFF.bds"), "rb") as file:
            rows = file.read().decode().split("\r\n")
        self.assertEqual(rows[-1], "")
        rows = rows[:-1]
        api = self.api_response(design, grid="standard", phase="driver")
        self.assertEqual(len(rows), len(api["frequencies"]))
        for c, column in enumerate(api["columns"]):
            for i, row in enumerate(rows):
                written = row[16 * c:16 * c + 16]
                level = column["levels"][i]
                if level is None:
                    self.assertFalse(abs(float(written)) < float("inf"), (column["name"], i))
                else:
                    self.assertEqual(written, e16_8(level), (column["name"], i))

    def test_6_frd_and_png_downloads(self):
        self.clear_downloads()
        design = self.js("return window.studio.design")
        settings = self.settings()
        self.browser.find_element("css selector", "#frd-menu summary").click()
        self.browser.find_element("id", "frd-rectangular-on-axis").click()
        path = self.wait_download("opbaff-rectangular-on-axis.frd")
        with open(path, "rb") as file:
            self.assertEqual(file.read().decode(), self.server.text(
                f"/api/frd?column=rectangular-on-axis&grid={settings['grid']}&phase={settings['phase']}", design))
        self.browser.find_element("id", "download-png").click()
        with open(self.wait_download("opbaff-response.png"), "rb") as file:
            head = file.read(24)
        self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n")
        # The plot drawn anew at twice its size on the page, 12 px margins (doubled) around it.
        width, height = struct.unpack(">II", head[16:24])
        plot = self.js("const c = document.querySelector('#plot canvas'); return [c.clientWidth, c.clientHeight];")
        self.assertEqual(width, 2 * plot[0] + 48)
        self.assertGreater(height, 2 * plot[1] + 48)
        title = self.browser.execute_async_script("""
            const done = arguments[arguments.length - 1];
            import('/js/downloads.js').then((m) => done(m.pngTitle(window.studio.lastDesign, window.studio.lastSettings)));""")
        self.assertIn(f"{formatted(design['baffleWidthCm'])} × {formatted(design['baffleHeightCm'])} cm baffle", title)

    def test_7_directivity_is_the_apis_and_only_for_the_rectangular_model(self):
        wait_until(lambda: self.js("return window.studio.pending === 0 && window.studio.lastPolarDesign !== null &&"
                                   " JSON.stringify(window.studio.lastPolarDesign) === JSON.stringify(window.studio.design)"),
                   "the directivity of the current design")
        design = self.js("return window.studio.lastPolarDesign")
        grid = self.js("return window.studio.lastPolarSettings")["grid"]
        step = self.browser.find_element("id", "angle-step").get_attribute("value")
        api = self.server.json(f"/api/polar?grid={grid}&angles=-180:180:{step}", design)
        self.assertEqual(self.js("return window.studio.lastPolar"), api)
        self.assertTrue(self.browser.find_element("id", "sonogram").is_displayed())
        self.assert_polar_goes_round_the_circle(api)

        self.browser.find_element("css selector", 'label[for="model-single-path"]').click()
        self.wait_idle()
        self.assertTrue(self.browser.find_element("id", "directivity-off").is_displayed())
        status, _, _ = self.server.request(f"/api/polar?grid={grid}&angles=-180:180:{step}",
                                           self.js("return window.studio.design"))
        self.assertEqual(status, 422)
        api, plotted = self.assert_page_shows_api_response()
        self.assertEqual(api["model"], "single-path")

    def assert_polar_goes_round_the_circle(self, polar):
        """The directivity's answer runs from -180 to 180 degrees, the polar
        plot's spokes are labelled round the whole circle, and its curve has a
        point for every angle with a level, those behind the baffle included."""
        self.assertEqual((polar["angles"][0], polar["angles"][-1]), (-180, 180))
        labels = [e.text for e in self.browser.find_elements("css selector", "#polar .spoke-label")]
        self.assertIn("+180°", labels)
        self.assertIn("−90°", labels)
        index = self.js("return Number(document.getElementById('polar-frequency').value)")
        finite = [a for a, row in zip(polar["angles"], polar["levels"])
                  if row[index] is not None and polar["onAxis"][index] is not None]
        self.assertIn(180, finite)
        d = self.browser.find_element("id", "polar-curve").get_attribute("d")
        self.assertEqual(len(re.findall(r"[ML] ", d)), len(finite))
        # The last point, at 180 degrees, lies below the centre: behind the baffle.
        last_y = float(d.split()[-1])
        self.assertGreater(last_y, 0)

    def test_7a_the_inputs_are_the_served_fields(self):
        served = self.server.json("/api/design")["fields"]
        inputs = self.js("""
            return [...document.querySelectorAll('[data-part] .field')].map((box) => {
              const input = box.querySelector('input');
              return { name: input.id, part: box.parentElement.dataset.part, step: input.step,
                       min: input.min, max: input.max, label: box.querySelector('label').textContent,
                       rectOnly: box.classList.contains('rect-only') };
            });""")
        # Each group holds its part's fields in the table's order, and nothing else.
        self.assertEqual(sorted(i["name"] for i in inputs), sorted(f["name"] for f in served))
        for part in {f["part"] for f in served}:
            self.assertEqual([i["name"] for i in inputs if i["part"] == part],
                             [f["name"] for f in served if f["part"] == part], part)
        self.assertEqual(self.js("return window.studio.fields"), [f["name"] for f in served])
        boxes = {i["name"]: i for i in inputs}
        for field in served:
            box = boxes[field["name"]]
            self.assertEqual(box["part"], field["part"], field["name"])
            self.assertEqual(box["label"], field["label"], field["name"])
            self.assertEqual((float(box["step"]), float(box["min"]), float(box["max"])),
                             (field["step"], field["low"], field["high"]), field["name"])
            self.assertEqual(box["rectOnly"], field["rectangularOnly"], field["name"])
        # Every value of the design being edited stands in its box.
        design = self.js("return window.studio.design")
        for field in served:
            value = self.browser.find_element("id", field["name"]).get_attribute("value")
            self.assertEqual(f32(float(value)), f32(design[field["name"]]), field["name"])

    def test_7b_a_late_answer_to_an_older_design_is_not_drawn(self):
        self.browser.find_element("css selector", 'label[for="model-rectangular"]').click()
        self.wait_idle()
        # The next response request is answered 800 ms late, by a fetch that
        # ignores its abort signal, so that its answer does arrive after the
        # answer to the newer design.
        self.js("""
            const original = window.fetch;
            window.__late = { sent: false, arrived: false };
            window.fetch = (url, init) => {
              if (!String(url).includes('/api/response') || window.__late.sent) return original(url, init);
              window.__late.sent = true;
              const { signal, ...rest } = init;
              return new Promise((resolve) => setTimeout(resolve, 800))
                .then(() => original(url, rest))
                .then((answer) => { window.__late.arrived = true; return answer; });
            };
            const box = document.getElementById('baffleHeightCm');
            box.value = '111';
            box.dispatchEvent(new Event('input'));
            setTimeout(() => { box.value = '77'; box.dispatchEvent(new Event('input')); }, 60);""")
        wait_until(lambda: self.js("return window.__late.arrived"), "the late answer")
        self.wait_idle()
        self.assertEqual(self.js("return window.studio.design.baffleHeightCm"), 77)
        self.assertEqual(self.js("return window.studio.lastDesign.baffleHeightCm"), 77)
        api, _ = self.assert_page_shows_api_response()
        late = self.api_response({**self.js("return window.studio.design"), "baffleHeightCm": 111})
        self.assertNotEqual(late["columns"][0]["levels"], api["columns"][0]["levels"])
        self.assertEqual(self.browser.find_element("id", "dim-height").text, "77 cm")

    def test_7c_the_sonogram_is_coloured_from_the_served_palette(self):
        wait_until(lambda: self.js("return window.studio.pending === 0 && window.studio.lastPolarDesign !== null &&"
                                   " JSON.stringify(window.studio.lastPolarDesign) === JSON.stringify(window.studio.design)"),
                   "the directivity of the current design")
        stops = [(s["levelDb"], tuple(int(s["colour"][k:k + 2], 16) for k in (1, 3, 5)))
                 for s in self.server.json("/api/design")["palette"]]
        polar = self.js("return window.studio.lastPolar")
        design = self.js("return window.studio.design")
        chosen = float(self.browser.find_element("id", "polar-frequency-hz").get_attribute("value"))
        ticks = [20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, chosen]

        def colour(db):
            v = min(max(db, stops[0][0]), stops[-1][0])
            i = 1
            while i < len(stops) - 1 and v > stops[i][0]:
                i += 1
            (v0, c0), (v1, c1) = stops[i - 1], stops[i]
            t = (v - v0) / (v1 - v0)
            return tuple(int(x + t * (y - x) + 0.5) for x, y in zip(c0, c1))

        # Cells clear of the grid lines (every 45 degrees and at the tick
        # frequencies) and of the listening angle's line.
        checked = []
        for a, angle in enumerate(polar["angles"]):
            if angle % 45 == 0 or abs(angle - design["offAxisAngleDeg"]) < 4:
                continue
            for f, hz in enumerate(polar["frequencies"]):
                if f % 7 or any(abs(math.log(hz / t)) < 0.06 for t in ticks):
                    continue
                level, ref = polar["levels"][a][f], polar["onAxis"][f]
                if level is None or ref is None:
                    continue
                checked.append((a, f, colour(level - ref)))
        self.assertGreater(len(checked), 30)
        pixels = self.js("""
            const canvas = document.getElementById('sonogram');
            const ratio = canvas.width / canvas.clientWidth;
            const ctx = canvas.getContext('2d');
            return arguments[0].map(([a, f]) => {
              const { x, y } = window.studio.sonogramCell(a, f);
              return Array.from(ctx.getImageData(Math.floor(x * ratio), Math.floor(y * ratio), 1, 1).data).slice(0, 3);
            });""", [[a, f] for a, f, _ in checked])
        for (a, f, expected), pixel in zip(checked, pixels):
            self.assertTrue(all(abs(p - e) <= 1 for p, e in zip(pixel, expected)),
                            (polar["angles"][a], polar["frequencies"][f], pixel, expected))
        # Below the tick labels, the frequency axis's own label is drawn: a
        # strip under the middle of the map is blank without it.
        inked = self.js("""
            const canvas = document.getElementById('sonogram');
            const ratio = canvas.width / canvas.clientWidth;
            const { data } = canvas.getContext('2d').getImageData(
              Math.floor(canvas.width / 2 - 40 * ratio), Math.floor((canvas.clientHeight - 16) * ratio),
              Math.floor(80 * ratio), Math.floor(10 * ratio));
            let inked = 0;
            for (let k = 3; k < data.length; k += 4) inked += data[k] > 0 ? 1 : 0;
            return inked;""")
        self.assertGreater(inked, 20, "the frequency axis has its label")

    def test_7d_a_changed_table_changes_the_page(self):
        # The same server's answer, with a field's label and step and a column's
        # label changed before the page reads it.
        hook = self.browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": """
            const original = window.fetch;
            window.fetch = async (url, init) => {
              const answer = await original(url, init);
              if (!String(url).endsWith('/api/design')) return answer;
              const body = await answer.json();
              const q = body.fields.find((f) => f.name === 'qualityFactor');
              q.label = 'Quality factor';
              q.step = 0.01;
              body.columns.rectangular[0].label = 'Flat panel {baffleWidthCm} cm wide';
              return new Response(JSON.stringify(body), { headers: { 'Content-Type': 'application/json' } });
            };"""})
        try:
            self.browser.refresh()
            self.wait_idle()
            box = self.browser.find_element("css selector", '[data-field="qualityFactor"]')
            self.assertEqual(box.find_element("tag name", "label").text, "Quality factor")
            self.assertEqual(box.find_element("tag name", "input").get_attribute("step"), "0.01")
            width = self.js("return window.studio.design.baffleWidthCm")
            labels = {c["key"]: c["label"] for c in self.plotted()["curves"]}
            self.assertEqual(labels["rectangular-on-axis"], f"Flat panel {width:g} cm wide")
        finally:
            self.browser.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument",
                                         {"identifier": hook["identifier"]})
            self.browser.refresh()
            self.wait_idle()
        labels = {c["key"]: c["label"] for c in self.plotted()["curves"]}
        self.assertEqual(labels["rectangular-on-axis"], "Rectangular baffle, on axis")

    def test_7e_the_accurate_switch_draws_the_plate_beside_the_classic_model(self):
        # A small baffle on a coarse grid keeps each plate's solve short, even
        # under the sanitizers.
        self.browser.find_element("css selector", 'label[for="model-rectangular"]').click()
        self.set_input("baffleWidthCm", "40")
        self.set_input("baffleHeightCm", "60")
        self.set_input("driverXCm", "15")
        self.set_input("driverYCm", "35")
        self.set_input("grid-points", "3")
        self.browser.find_element("id", "accurate").click()

        def accurate_shown():
            return self.js("""
                const s = window.studio;
                return s.pending === 0 && s.lastAccurate !== null &&
                  JSON.stringify(s.lastAccurateDesign) === JSON.stringify(s.design) &&
                  s.lastPolarSettings && s.lastPolarSettings.model === 'accurate' &&
                  JSON.stringify(s.lastPolarDesign) === JSON.stringify(s.design);""")
        wait_until(accurate_shown, "the accurate curves and directivity", timeout=120)
        design = self.js("return window.studio.design")
        grid = self.settings()["grid"]
        api = self.server.json(f"/api/response?grid={grid}&model=accurate", design)
        self.assertEqual(api["computedBy"], "accurate")
        plotted = {c["key"]: c for c in self.js("return window.studio.plotted()")["curves"]}
        for column in api["columns"]:
            key = "accurate-" + column["name"]
            if column["name"] == "no-path":
                self.assertNotIn(key, plotted, "the copied classic column is drawn once")
                continue
            self.assertIn(key, plotted)
            self.assertTrue(plotted[key]["label"].endswith("(accurate)"), plotted[key]["label"])
            for shown, served in zip(plotted[key]["levels"], column["levels"]):
                self.assertAlmostEqual(shown, served, places=4)
            classic = plotted[column["name"]]["levels"]
            self.assertGreater(max(abs(a - c) for a, c in zip(plotted[key]["levels"], classic)), 1.0,
                               "the two models differ where the edges' higher orders count")
        step = self.browser.find_element("id", "angle-step").get_attribute("value")
        polar = self.server.json(f"/api/polar?grid={grid}&angles=-180:180:{step}&model=accurate", design)
        self.assertEqual(self.js("return window.studio.lastPolar"), polar)
        self.assert_polar_goes_round_the_circle(polar)

        # A driver off the plate: the classic curve stays, the accurate one goes
        # and its line says why.
        self.set_input("driverXCm", "48")
        wait_until(lambda: "inside the baffle" in self.browser.find_element("id", "accurate-status").text,
                   "the accurate model's reason", timeout=60)
        keys = [c["key"] for c in self.js("return window.studio.plotted()")["curves"]]
        self.assertIn("rectangular-on-axis", keys)
        self.assertFalse([k for k in keys if k.startswith("accurate-")], keys)

        self.set_input("driverXCm", "20")
        self.browser.find_element("id", "accurate").click()
        self.wait_idle()
        keys = [c["key"] for c in self.js("return window.studio.plotted()")["curves"]]
        self.assertFalse([k for k in keys if k.startswith("accurate-")], keys)

    def start_design(self):
        return self.server.json("/api/design")["design"]

    def assert_design_is(self, expected):
        design = self.js("return window.studio.design")
        for name, value in expected.items():
            if isinstance(value, str):
                self.assertEqual(design[name], value, name)
            else:
                self.assertEqual(f32(design[name]), f32(value), name)
                shown = self.browser.find_element("id", name).get_attribute("value")
                self.assertEqual(f32(float(shown)), f32(value), f"the box of {name}")

    def variants_kept(self):
        return [(v["name"], v["design"]) for v in self.js("return window.studio.variants")]

    def open_by_picker(self, path):
        self.browser.find_element("id", "open-file").send_keys(path)

    def wait_open_status(self, fragment):
        return wait_until(lambda: fragment in self.browser.find_element("id", "open-status").text and
                          self.browser.find_element("id", "open-status").text, f"the line saying {fragment}")

    def write_file(self, name, content):
        path = os.path.join(self.workdir, name)
        with open(path, "wb") as file:
            file.write(content if isinstance(content, bytes) else content.encode())
        return path

    def test_7f_the_work_survives_a_reload(self):
        self.set_input("baffleWidthCm", "66")
        # Renamed as typing does; the table is drawn anew as variants' answers come.
        self.assertTrue(self.js("""
            const name = document.querySelector('#merit-body input[data-variant-name]');
            if (!name) return false;
            name.value += ' (kept)';
            name.dispatchEvent(new Event('input'));
            return true;"""), "the variants pinned before are there")
        design, variants = self.js("return window.studio.design"), self.variants_kept()
        self.browser.refresh()
        self.wait_idle()
        self.assertEqual(self.js("return window.studio.design"), design)
        self.assertEqual(self.variants_kept(), variants)
        self.assertTrue(variants[0][0].endswith(" (kept)"))
        self.assertIn("last visit", self.browser.find_element("id", "open-status").text)
        self.assert_page_shows_api_response()

    def test_7g_a_stored_value_that_does_not_read_is_ignored(self):
        stored = json.loads(self.js("return localStorage.getItem('opbaff-studio-session')"))
        wrong_type = json.loads(json.dumps(stored))
        wrong_type["design"]["baffleWidthCm"] = "60"
        bad_choice = json.loads(json.dumps(stored))
        bad_choice["variants"][0]["design"]["model"] = "<img src=x onerror=alert(1)>"
        bad_eq = {**stored, "eq": {**stored["eq"], "filters": [
            {"type": "<img src=x onerror=alert(1)>", "frequencyHz": 100, "gainDb": 0, "q": 1}]}}
        cases = [  # (what, the stored text)
            ("not JSON", "{\"kind\": "),
            ("another version", json.dumps({**stored, "version": 2})),
            ("a number as text", json.dumps(wrong_type)),
            ("an unknown model", json.dumps(bad_choice)),
            ("too many variants", json.dumps({**stored, "variants": stored["variants"] * 5})),
            ("an EQ filter of no known type", json.dumps(bad_eq)),
            ("no variants list", json.dumps({**stored, "variants": {"length": 1}})),
            ("a list", "[1, 2]"),
            ("null", "null"),
        ]
        start = self.start_design()
        for what, text in cases:
            with self.subTest(what):
                self.js("localStorage.setItem('opbaff-studio-session', arguments[0])", text)
                self.browser.refresh()
                self.wait_idle()
                self.assert_design_is(start)
                self.assertEqual(self.variants_kept(), [])
                self.assertEqual(self.browser.find_element("id", "open-status").text, "")
        # The page keeps its own work again.
        self.assertEqual(json.loads(self.js("return localStorage.getItem('opbaff-studio-session')"))["design"],
                         self.js("return window.studio.design"))

    def test_7h_a_session_saves_to_a_file_and_opens_again(self):
        self.clear_downloads()
        self.set_input("baffleHeightCm", "104")
        self.browser.find_element("id", "pin").click()
        self.set_input("driverYCm", "44")
        self.browser.find_element("id", "pin").click()
        self.set_input("qualityFactor", "0.9")
        design, variants = self.js("return window.studio.design"), self.variants_kept()
        self.browser.find_element("id", "save-session").click()
        path = self.wait_download("opbaff-session.json")
        with open(path) as file:
            saved = json.load(file)
        self.assertEqual((saved["kind"], saved["version"]), ("opbaff-studio-session", 1))
        self.assertEqual(saved["design"], design)
        self.assertEqual([(v["name"], v["design"]) for v in saved["variants"]], variants)

        self.browser.find_element("id", "revert").click()
        self.wait_idle()
        while self.browser.find_elements("css selector", "#merit-body button.remove"):
            self.browser.find_elements("css selector", "#merit-body button.remove")[0].click()
        self.assertEqual(self.variants_kept(), [])
        self.open_by_picker(path)
        self.wait_open_status("Opened the session opbaff-session.json")
        self.wait_idle()
        self.assertEqual(self.js("return window.studio.design"), design)
        self.assertEqual(self.variants_kept(), variants)
        self.assert_page_shows_api_response()

        def changed(**parts):
            return json.dumps({**saved, **parts})
        nine = [{"name": "v", "design": design}] * 9
        cases = [  # (what, file content, words of the reason)
            ("not JSON", "{ design: 1 }", "this is not JSON"),
            ("no session", json.dumps({"design": design}), "this is no studio session"),
            ("a number as text", changed(design={**design, "driverXCm": "12"}), "driverXCm must be a number"),
            ("an infinite number", changed(design={**design, "driverXCm": "INF"}).replace('"INF"', "1e999"),
             "driverXCm must be a number"),
            ("a name too long", changed(variants=[{"name": "x" * 61, "design": design}]), "at most 60 characters"),
            ("nine variants", changed(variants=nine), "it holds 9 variants; the studio keeps at most 8"),
            ("a huge list", changed(variants=[0] * 40000), "is too big for a session or a parameter file"),
        ]
        for what, content, reason in cases:
            with self.subTest(what):
                self.open_by_picker(self.write_file("hostile.json", content))
                text = self.wait_open_status(reason)
                self.assertIn("hostile.json was not opened", text)
                self.assertIn("error", self.browser.find_element("id", "open-status").get_attribute("class"))
                self.assertEqual(self.js("return window.studio.design"), design)
                self.assertEqual(self.variants_kept(), variants)

    def test_7i_a_parameter_file_opens_through_the_librarys_reader(self):
        own = START_FILE.replace("50         width", "47         width").replace("0.65 ", "0.8  ")
        own = own.replace("38         resonance", "45         resonance")
        expected = {**START_VALUES, "baffleWidthCm": 47, "qualityFactor": 0.8, "resonanceHz": 45,
                    "model": "rectangular"}
        variants = self.variants_kept()
        self.open_by_picker(self.write_file("Mine.txt", own))
        self.wait_open_status("Opened Mine.txt")
        self.wait_idle()
        self.assert_design_is(expected)
        self.assertEqual(self.variants_kept(), variants, "opening a design keeps the variants")
        self.assert_page_shows_api_response()

        # The file's reading fails: the record and line are said, the design stays.
        design = self.js("return window.studio.design")
        self.open_by_picker(self.write_file("Broken.txt", "My baffle\n" + START_FILE))
        text = self.wait_open_status("was not opened")
        self.assertIn("Broken.txt was not opened: parameter file: invalid number", text)
        self.assertIn("(record 1, line 1)", text)
        self.assertEqual(self.js("return window.studio.design"), design)
        # The browser logs the refusal's status, and no other error so far
        # (reading the log empties it for test_8).
        errors = [e["message"] for e in self.browser.get_log("browser") if e["level"] == "SEVERE"]
        refusals = [e for e in errors if "/api/read-parameter-file" in e and "422" in e]
        self.assertEqual(len(refusals), 1, errors)
        self.assertEqual([e for e in errors if e not in refusals], [])

        # Dropped on the page, a file opens the same way.
        dropped = START_FILE.replace("18         driver from", "11         driver from")
        self.js("""
            const data = new DataTransfer();
            data.items.add(new File([arguments[0]], 'Dropped.txt', { type: 'text/plain' }));
            document.getElementById('plot').dispatchEvent(
              new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));""", dropped)
        self.wait_open_status("Opened Dropped.txt")
        self.wait_idle()
        self.assert_design_is({**START_VALUES, "driverXCm": 11})

    def test_7j_nothing_is_cut_off_from_a_phone_to_a_laptop(self):
        try:
            for width in [1024, 390]:
                with self.subTest(width=width):
                    self.browser.set_window_size(width, 900)
                    wait_until(lambda: self.js("return window.innerWidth") == width, f"a window {width} wide")
                    time.sleep(0.3)  # the plot follows its panel's new width
                    self.wait_idle()
                    inner = self.js("return window.innerWidth")
                    self.assertLessEqual(self.js("return document.documentElement.scrollWidth"), inner)
                    for selector in ["#plot", "#plot canvas", "#download-png", "#pin", "label[for=open-file]",
                                     "#download-parameter-file", "#baffleWidthCm", "#drawing", "#sonogram"]:
                        box = self.js("const r = document.querySelector(arguments[0]).getBoundingClientRect();"
                                      " return [r.left, r.right, r.width];", selector)
                        self.assertGreater(box[2], 0, selector)
                        self.assertGreaterEqual(box[0], 0, selector)
                        self.assertLessEqual(box[1], inner, selector)
        finally:
            self.browser.set_window_size(1400, 1000)
            self.wait_idle()

    def test_7k_baffle_only_leaves_the_drivers_high_pass_out(self):
        whole = self.api_response(self.js("return window.studio.design"))
        self.browser.find_element("id", "baffle-only").click()
        self.wait_idle()
        settings = self.settings()
        self.assertTrue(settings["baffleOnly"])
        self.assertEqual(settings["phase"], "baffle")
        api, _ = self.assert_page_shows_api_response()
        self.assertTrue(api["baffleOnly"])
        # At 10 Hz the driver's high-pass alone is down 24 dB (40 Hz, Q 0.7).
        self.assertGreater(api["columns"][0]["levels"][0] - whole["columns"][0]["levels"][0], 20)
        self.assertIn("baffle only", self.browser.find_element("id", "status").text)
        self.assertIn("baffle only", self.browser.find_element("id", "merit-hint").text)
        wait_until(lambda: all((v["settings"] or {}).get("baffleOnly") for v in self.js("return window.studio.variants")),
                   "the variants without the driver's high-pass")
        curves = {curve["key"]: curve for curve in self.plotted()["curves"]}
        for variant in self.js("return window.studio.variants"):
            served = self.api_response(variant["design"])
            column = next(c for c in served["columns"] if c["name"] == served["merit"]["column"])
            self.assertEqual(curves[f"variant-{variant['id']}"]["levels"], column["levels"])
            self.assertEqual(self.merit_cells(f"variant-{variant['id']}"),
                             {k: v for k, v in served["merit"].items() if k in self.merit_cells("current")})
        self.browser.find_element("id", "baffle-only").click()
        self.wait_idle()
        self.assertFalse(self.settings()["baffleOnly"])

    def eq_answered(self, fitted):
        """Waits for the EQ panel's answer to the design being edited, fitted or
        measured, and returns it."""
        wait_until(lambda: self.js("""
            const s = window.studio;
            return s.pending === 0 && s.lastEq !== null && s.lastEq.fitted === arguments[0] &&
              JSON.stringify(s.lastEqDesign) === JSON.stringify(s.design);""", fitted),
                   "the equaliser of the design being edited")
        return self.js("return window.studio.lastEq")

    def eq_query(self, count, chain=None, tilt=0):
        grid = self.settings()["grid"]
        query = f"/api/eq?grid={grid}&band=40:2000&filters={count}&maxBoost=12&maxQ=4&tilt={tilt}&highPass=0"
        return query + (f"&chain={urllib.parse.quote(chain, safe=':,')}" if chain is not None else "")

    def assert_equalised_curve_is(self, answer):
        curves = {c["key"]: c for c in self.plotted()["curves"]}
        self.assertIn("rectangular-on-axis", curves, "the raw curve stays")
        self.assertEqual(curves["eq-equalised"]["levels"], answer["equalised"])
        self.assertTrue(curves["eq-equalised"]["label"].endswith(", equalised"))

    def table_filters(self):
        return self.js("""
            return [...document.querySelectorAll('#eq-filter-rows tr')].map((row) => ({
              type: row.querySelector('select').value,
              frequencyHz: Number(row.querySelector('[data-key=frequencyHz]').value),
              gainDb: Number(row.querySelector('[data-key=gainDb]').value),
              q: Number(row.querySelector('[data-key=q]').value) }));""")

    def test_7l_the_eq_panel_fits_and_an_edited_filter_redraws_the_equalised_curve(self):
        self.assertEqual(self.js("return window.studio.design.model"), "rectangular")
        self.browser.find_element("css selector", "#eq summary").click()
        first = self.eq_answered(True)
        design = self.js("return window.studio.design")
        self.assertEqual(first, self.server.json(self.eq_query(6), design))
        self.assertEqual(self.table_filters(), first["filters"])
        self.assert_equalised_curve_is(first)
        self.assertIn(f"max {first['maxDeviationDb']:.2f} dB", self.browser.find_element("id", "eq-figures").text)

        # Refit with fewer filters.
        self.set_input("eq-count", "4")
        self.browser.find_element("id", "eq-refit").click()
        wait_until(lambda: len(self.js("return window.studio.eqFilters")) == 4, "four filters fitted")
        refit = self.eq_answered(True)
        self.assertEqual(refit, self.server.json(self.eq_query(4), design))
        self.assertEqual(self.table_filters(), refit["filters"])

        # A gain edited: the chain as edited is measured by the server and the
        # equalised curve redrawn from its answer.
        gain = self.browser.find_elements("css selector", "#eq-filter-rows [data-key=gainDb]")[1]
        edited = round(refit["filters"][1]["gainDb"] + 3, 2)
        gain.clear()
        gain.send_keys(formatted(edited))
        measured = self.eq_answered(False)
        self.assertEqual(measured["filters"][1]["gainDb"], edited)
        chain = ",".join(f"{f['type']}:{f['frequencyHz']}:{f['gainDb']}:{f['q']}" for f in measured["filters"])
        self.assertEqual(measured, self.server.json(self.eq_query(4, chain), design))
        self.assertNotEqual(measured["equalised"], refit["equalised"])
        self.assert_equalised_curve_is(measured)

        # A box that does not read is red and sends nothing.
        q = self.browser.find_elements("css selector", "#eq-filter-rows [data-key=q]")[0]
        q.clear()
        q.send_keys("0")
        self.assertEqual(q.get_attribute("aria-invalid"), "true")
        self.assertIn("does not read", self.browser.find_element("id", "eq-figures").text)
        self.assertEqual(self.js("return window.studio.lastEq"), measured)
        q.clear()
        q.send_keys(formatted(measured["filters"][0]["q"]))
        self.eq_answered(False)

        # Closed, the panel's curve leaves the plot.
        self.browser.find_element("css selector", "#eq summary").click()
        wait_until(lambda: "eq-equalised" not in [c["key"] for c in self.plotted()["curves"]],
                   "the equalised curve to go")

    def eq_on(self, model, timeout=30):
        """Waits for the EQ panel's answer to the design being edited on the
        given model, and returns it."""
        wait_until(lambda: self.js("""
            const s = window.studio;
            return s.pending === 0 && s.lastEq !== null && s.lastEqSettings.model === arguments[0] &&
              JSON.stringify(s.lastEqDesign) === JSON.stringify(s.design);""", model),
                   f"the equaliser on the {model} model", timeout=timeout)
        return self.js("return window.studio.lastEq")

    @staticmethod
    def chain_of(filters):
        return ",".join(f"{f['type']}:{f['frequencyHz']}:{f['gainDb']}:{f['q']}" for f in filters)

    def test_7m_the_accurate_switch_turns_the_eq_to_the_accurate_model(self):
        # The small baffle and coarse grid of test_7e keep the plate's solves short.
        self.set_input("baffleWidthCm", "40")
        self.set_input("baffleHeightCm", "60")
        self.set_input("driverXCm", "15")
        self.set_input("driverYCm", "35")
        self.set_input("grid-points", "3")
        self.browser.find_element("css selector", "#eq summary").click()
        classic = self.eq_on("classic")
        self.assertIn("on the classic model", self.browser.find_element("id", "eq-figures").text)

        # Switched while the panel is open: the table's chain is measured
        # again, now on the plate.
        self.browser.find_element("id", "accurate").click()
        accurate = self.eq_on("accurate", timeout=120)
        design = self.js("return window.studio.design")
        self.assertEqual(accurate["filters"], classic["filters"])
        chain = self.chain_of(accurate["filters"])
        self.assertEqual(accurate, self.server.json(self.eq_query(4, chain) + "&model=accurate", design))
        self.assertGreater(max(abs(a - c) for a, c in zip(accurate["raw"], classic["raw"])), 1.0,
                           "the equaliser sees the plate's response, not the classic one")
        self.assertIn("on the accurate model", self.browser.find_element("id", "eq-figures").text)
        curves = {c["key"]: c for c in self.plotted()["curves"]}
        self.assertEqual(curves["eq-equalised"]["levels"], accurate["equalised"])
        self.assertTrue(curves["eq-equalised"]["label"].endswith(", equalised (accurate)"))

        # Switched back, the chain is measured on the classic model again.
        self.browser.find_element("id", "accurate").click()
        back = self.eq_on("classic")
        self.assertEqual(back, self.server.json(self.eq_query(4, self.chain_of(back["filters"])), design))
        self.browser.find_element("id", "grid-standard").click()
        self.eq_on("classic")

    def test_7n_a_reload_restores_the_eq_table_and_its_curve(self):
        # A fit setting changed without a refit, and a filter edited.
        self.set_input("eq-tilt", "1")
        box = self.browser.find_elements("css selector", "#eq-filter-rows [data-key=frequencyHz]")[2]
        box.clear()
        box.send_keys("777")
        measured = self.eq_answered(False)
        self.assertEqual(measured["filters"][2]["frequencyHz"], 777)
        filters = self.js("return window.studio.eqFilters")

        self.browser.refresh()
        self.wait_idle()
        restored = self.eq_answered(False)
        self.assertTrue(self.js("return document.getElementById('eq').open"))
        self.assertEqual(self.table_filters(), filters)
        self.assertEqual(self.browser.find_element("id", "eq-tilt").get_attribute("value"), "1")
        self.assertEqual(restored, measured)
        design = self.js("return window.studio.design")
        self.assertEqual(restored, self.server.json(self.eq_query(4, self.chain_of(filters), tilt=1), design))
        self.assert_equalised_curve_is(restored)

    def test_7o_a_session_file_restores_the_eq_and_one_without_it_opens(self):
        self.clear_downloads()
        filters, measured = self.js("return window.studio.eqFilters"), self.eq_answered(False)
        self.browser.find_element("id", "save-session").click()
        path = self.wait_download("opbaff-session.json")
        with open(path) as file:
            saved = json.load(file)
        self.assertEqual(saved["eq"]["filters"], filters)
        self.assertEqual((saved["eq"]["settings"]["filters"], saved["eq"]["settings"]["tilt"]), (4, 1))

        # Other work in the panel, then the file opened again.
        self.set_input("eq-count", "3")
        self.set_input("eq-tilt", "0")
        self.browser.find_element("id", "eq-refit").click()
        wait_until(lambda: len(self.js("return window.studio.eqFilters")) == 3, "three filters fitted")
        self.eq_answered(True)
        self.open_by_picker(path)
        self.wait_open_status("Opened the session opbaff-session.json")
        restored = self.eq_answered(False)
        self.assertEqual(self.table_filters(), filters)
        self.assertEqual(restored, measured)
        self.assertEqual(self.browser.find_element("id", "eq-count").get_attribute("value"), "4")
        self.assert_equalised_curve_is(restored)

        # A file saved before the panel was kept: its design opens, the table
        # stays and is measured on that design.
        old = {key: value for key, value in saved.items() if key != "eq"}
        old["design"] = {**saved["design"], "baffleWidthCm": 42}
        self.open_by_picker(self.write_file("old-session.json", json.dumps(old)))
        self.wait_open_status("Opened the session old-session.json")
        self.wait_idle()
        self.assertEqual(self.js("return window.studio.design.baffleWidthCm"), 42)
        on_old = self.eq_answered(False)
        self.assertEqual(self.table_filters(), filters)
        self.assertEqual(on_old, self.server.json(self.eq_query(4, self.chain_of(filters), tilt=1),
                                                  self.js("return window.studio.design")))

        def with_eq(**parts):
            return json.dumps({**saved, "eq": {**saved["eq"], **parts}})

        def filter_changed(k, **parts):
            chain = [dict(f) for f in saved["eq"]["filters"]]
            chain[k].update(parts)
            return with_eq(filters=chain)
        settings = saved["eq"]["settings"]
        cases = [  # (what, file content, words of the reason)
            ("no object", json.dumps({**saved, "eq": [1]}), "the EQ is no object"),
            ("an unknown filter type", filter_changed(0, type="<img src=x onerror=alert(1)>"),
             "EQ filter 1 must be one of"),
            ("a gain beyond the server's", filter_changed(1, gainDb=41), "EQ filter 2: gainDb must be a number"),
            ("a frequency as text", filter_changed(2, frequencyHz="777"), "EQ filter 3: frequencyHz must be"),
            ("twenty filters", with_eq(filters=saved["eq"]["filters"] * 5), "the EQ holds 20 filters"),
            ("a fractional count", with_eq(settings={**settings, "filters": 4.5}), "the EQ's filters must be"),
            ("a band upside down", with_eq(settings={**settings, "from": 3000}), "the EQ's band must rise"),
            ("no settings", with_eq(settings=None), "the EQ's settings are no object"),
        ]
        design, table = self.js("return window.studio.design"), self.table_filters()
        for what, content, reason in cases:
            with self.subTest(what):
                self.open_by_picker(self.write_file("hostile.json", content))
                text = self.wait_open_status(reason)
                self.assertIn("hostile.json was not opened", text)
                self.assertEqual(self.js("return window.studio.design"), design)
                self.assertEqual(self.table_filters(), table)

    def test_8_the_page_logged_no_errors(self):
        errors = [entry["message"] for entry in self.browser.get_log("browser") if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [])


def save_screenshot(path):
    """The studio with a rectangular design, two pinned variants, the EQ panel
    open with its fit drawn on the plot, and the directivity round the whole
    circle, as a PNG 1400 pixels wide."""
    reason = missing_browser()
    if reason:
        raise SystemExit(f"no browser: {reason}")
    workdir = tempfile.mkdtemp(prefix="opbaff-studio-")
    server = Server(workdir)
    browser = start_browser(workdir, 1400, 1200)
    try:
        browser.get(server.url)
        ready = "return !!window.studio && window.studio.idle()"
        wait_until(lambda: browser.execute_script(ready), "the studio")

        def set_value(field, text):
            element = browser.find_element("id", field)
            element.clear()
            element.send_keys(text)
            wait_until(lambda: browser.execute_script(ready), field)

        browser.find_element("id", "grid-octave").click()
        wait_until(lambda: browser.execute_script(ready), "the grid")
        browser.find_element("id", "pin").click()
        set_value("baffleWidthCm", "45")
        set_value("driverXCm", "22.5")
        browser.find_element("id", "pin").click()
        set_value("baffleWidthCm", "80")
        set_value("baffleHeightCm", "120")
        set_value("driverYCm", "85")
        browser.execute_script("""
            const inputs = document.querySelectorAll('#merit-body input[data-variant-name]');
            const names = ['example 60 x 100', 'narrow 45 cm, centred'];
            inputs.forEach((input, i) => { input.value = names[i]; input.dispatchEvent(new Event('input')); });
            document.activeElement.blur();""")
        from selenium.webdriver.common.action_chains import ActionChains
        browser.find_element("css selector", "#eq summary").click()
        wait_until(lambda: browser.execute_script(
            "return window.studio.lastEq !== null && window.studio.pending === 0"), "the equaliser")
        wait_until(lambda: browser.execute_script(ready) and browser.execute_script(
            "return window.studio.lastPolarDesign && window.studio.pending === 0"), "the directivity")
        time.sleep(0.5)
        height = browser.execute_script(
            "return Math.ceil(document.querySelector('.studio').getBoundingClientRect().bottom)")
        browser.set_window_size(1400, height + (1200 - browser.execute_script("return window.innerHeight")))
        time.sleep(0.5)
        # The cursor on the plot near 120 Hz, so that the legend shows its levels.
        over = browser.find_element("css selector", "#plot .u-over")
        ActionChains(browser).move_to_element_with_offset(over, -over.size["width"] // 6, 0).perform()
        time.sleep(0.3)
        browser.save_screenshot(path)
    finally:
        quit_browser(browser)
        server.stop()
        shutil.rmtree(workdir, ignore_errors=True)


def main():
    global DESIGN_EXE, OPBAFF_EXE
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    DESIGN_EXE, OPBAFF_EXE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if sys.argv[3:4] == ["--screenshot"]:
        save_screenshot(sys.argv[4])
        return
    run_tests(sys.argv[3:])


if __name__ == "__main__":
    main()
