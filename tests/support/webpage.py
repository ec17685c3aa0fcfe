"""What every browser test shares: the page served from its folder, Debian's Chromium started
headless through its driver, and the game's window found and driven as a player drives it.

A test exits 0 when it passes, 1 with a line "FAIL: why" when it fails, and 77 with a line
"SKIP: why" only when a tool it needs is not installed (as tests/support/testlib.sh does for
the shell tests). Chromium installed but not starting is a failure.
"""
import base64
import contextlib
import functools
import http.server
import json
import os
import pathlib
import shutil
import sys
import tempfile
import threading
import time

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"
STORAGE_KEY = "varnoth/dat.ini"


class Failure(Exception):
    pass


def fail(why):
    raise Failure(why)


def skip(why):
    print(f"SKIP: {why}", flush=True)
    sys.exit(77)


def check(condition, why):
    if not condition:
        fail(why)


def wait_for(what, probe, timeout=30.0, every=0.05):
    """Calls probe until it returns something true, and returns that; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        found = probe()
        if found:
            return found
        if time.monotonic() > deadline:
            fail(f"waited {timeout:.0f} s for {what}")
        time.sleep(every)


def run(test):
    """Runs the test function and turns its outcome into an exit code."""
    try:
        test()
    except Failure as failure:
        print(f"FAIL: {failure}", flush=True)
        sys.exit(1)
    print("PASS", flush=True)
    sys.exit(0)


# --- The page, served ---------------------------------------------------------------------


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm",
                      ".webmanifest": "application/manifest+json"}

    def log_message(self, *args):
        pass


@contextlib.contextmanager
def served(page_dir):
    """The page's folder served on a free port of the loopback interface, as any static server
    serves it; yields the page's address."""
    page_dir = pathlib.Path(page_dir)
    check((page_dir / "index.html").is_file(), f"no page in {page_dir}: run scripts/package-web.sh first")
    handler = functools.partial(QuietHandler, directory=str(page_dir))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield f"http://127.0.0.1:{server.server_address[1]}/"
    finally:
        server.shutdown()
        server.server_close()


# --- The browser ----------------------------------------------------------------------------


def require_tools():
    for path, package in ((CHROMIUM, "chromium"), (DRIVER, "chromium-driver")):
        if not os.access(path, os.X_OK):
            skip(f"{path} is not installed (scripts/install-deps.sh test installs {package})")
    try:
        import selenium  # noqa: F401  (only whether it is there)
    except ImportError:
        skip("Selenium is not installed (scripts/install-deps.sh test installs python3-selenium)")


@contextlib.contextmanager
def chromium(width=800, height=600, scale=1, mobile=False):
    """Debian's Chromium, headless, with a fresh profile, the viewport given and the browser's
    console kept."""
    require_tools()
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    profile = tempfile.mkdtemp(prefix="varnoth-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    # Without the background networking flags Chromium reaches for Google's services,
    # which this machine's closed network refuses, and says so on the console.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", f"--user-data-dir={profile}", f"--window-size={width},{height}"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    try:
        driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    except Exception as error:  # a browser that is there and does not start fails the test
        shutil.rmtree(profile, ignore_errors=True)
        fail(f"Chromium did not start: {error}")
    try:
        driver.set_script_timeout(60)
        emulate(driver, width, height, scale, mobile)
        yield driver
    except Failure:
        print(describe(driver), flush=True)
        raise
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


def emulate(driver, width, height, scale=1, mobile=False):
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": mobile})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": mobile, "maxTouchPoints": 5})


def describe(driver):
    """The screen reader's elements that show, with their texts, and what the console holds."""
    try:
        shown = [f"{e['id'].split('.')[-1]}={e['text'] or e['label']!r}" for e in elements(driver)
                 if not e["hidden"] and e["id"].startswith("QApplication")]
        return "the page shows: " + " ".join(shown) + "\nthe console holds: " + " | ".join(console(driver))
    except Exception as error:  # the page may be gone
        return f"(the page cannot be read: {error})"


def console(driver):
    """What the page wrote on the browser's console since the last call."""
    return [entry["message"] for entry in driver.get_log("browser")]


# --- The game in the page -------------------------------------------------------------------


def open_game(driver, url):
    """Loads the page and waits until the game's window shows, with its screen reader
    elements made (Qt's "Enable Screen Reader" pressed, as a screen reader user does)."""
    driver.get(url)
    wait_for("the game's window", lambda: driver.execute_script(
        f"return document.getElementById('status') === null && {WINDOWS_JS}.length > 0"), timeout=90)
    settle(driver)


# The windows Qt shows in the page, front one last: DOM elements of class qt-window in the
# shadow root of the screen's container (none before Qt has made it).
WINDOWS_JS = ("Array.from((document.querySelector('#qt-shadow-container') || {}).shadowRoot"
              "?.querySelectorAll('.qt-window') || []).filter(w => w.style.display !== 'none')")


def settle(driver, frames=3):
    """Waits for the browser to draw a few frames, so that what Qt painted shows."""
    driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        let left = arguments[0];
        const next = () => (--left > 0 ? requestAnimationFrame(next) : done());
        requestAnimationFrame(next);""", frames)


def enable_screen_reader(driver):
    """Presses Qt's "Enable Screen Reader" button, which makes an element for each widget."""
    pressed = driver.execute_script("""
        const root = document.querySelector('#qt-shadow-container').shadowRoot;
        const button = Array.from(root.querySelectorAll('button'))
            .find(b => b.innerText === 'Enable Screen Reader');
        if (!button) return false;
        button.click();
        return true;""")
    check(pressed, "no \"Enable Screen Reader\" button in the page")
    settle(driver)


def elements(driver):
    """The screen reader's elements of the widgets: id (the widget's path of object names),
    tag, role, text, label, hidden, and place on the page (x, y, width, height)."""
    return driver.execute_script("""
        const root = document.querySelector('#qt-shadow-container').shadowRoot;
        return Array.from(root.querySelectorAll('[id]')).map(e => {
            const r = e.getBoundingClientRect();
            return {id: e.id, tag: e.tagName.toLowerCase(), role: e.getAttribute('role') || '',
                    text: e.innerHTML || e.value || '', label: e.getAttribute('aria-label') || '',
                    hidden: e.ariaHidden === 'true' || e.ariaHidden === true,
                    x: r.x, y: r.y, width: r.width, height: r.height};
        });""")


def element(driver, name):
    """The element of the widget with that object name (the last part of its id)."""
    found = [e for e in elements(driver) if e["id"].split(".")[-1] == name]
    check(found, f"no element for {name}")
    return found[0]


def caption(driver, name):
    return element(driver, name)["text"]


def centre(box):
    return box["x"] + box["width"] / 2, box["y"] + box["height"] / 2


def click(driver, x, y, count=1):
    """A mouse click where a player clicks, through the browser's own input."""
    for kind in ("mousePressed", "mouseReleased"):
        driver.execute_cdp_cmd("Input.dispatchMouseEvent", {
            "type": kind, "x": x, "y": y, "button": "left", "clickCount": count})
    settle(driver, 2)


def tap(driver, x, y):
    """A finger's tap."""
    for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
        driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})
    settle(driver, 2)


def type_text(driver, text):
    """Keys typed one by one, as a keyboard types them."""
    for character in text:
        for kind in ("keyDown", "keyUp"):
            event = {"type": kind, "key": character}
            if kind == "keyDown":
                event["text"] = character
            driver.execute_cdp_cmd("Input.dispatchKeyEvent", event)
    settle(driver, 2)


def commit_text(driver, text):
    """Text an input method commits (a Chinese name typed with pinyin)."""
    driver.execute_cdp_cmd("Input.insertText", {"text": text})
    settle(driver, 2)


def stored(driver):
    """The records as the page's origin keeps them: the item's characters, one per byte."""
    return driver.execute_script(f"return localStorage.getItem('{STORAGE_KEY}')")


def store(driver, value):
    driver.execute_script(f"localStorage.setItem('{STORAGE_KEY}', arguments[0])", value)


def stored_bytes(driver):
    value = stored(driver)
    return None if value is None else bytes(ord(c) for c in value)


def png_data_url(path):
    return "data:image/png;base64," + base64.b64encode(pathlib.Path(path).read_bytes()).decode()


def dump(value):
    return json.dumps(value, ensure_ascii=False)
