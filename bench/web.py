#!/usr/bin/python3
"""Times pages from start to their first complete picture in Debian's Chromium, headless.

  web.py RUNS NAME=PAGE_DIR...

Each page is served from its folder and loaded RUNS times, the pages interleaved in a
shuffled order in each run, each load in a fresh browser with a fresh profile. The first
complete picture is the moment the game's window last changed (its canvas's pixels, looked at
every frame) before staying the same for two seconds, counted from the start of the
navigation. Prints "NAME MEDIAN_MS MIN_MS MAX_MS" per page.
"""
import pathlib
import random
import statistics
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "support"))
from webpage import chromium, served, wait_for  # noqa: E402

# Looks at the window's canvas every frame and keeps the time of its last change.
WATCH = """
window.varnothPicture = {last: 0, seen: ''};
(function watch() {
    const container = document.querySelector('#qt-shadow-container');
    const root = container && container.shadowRoot;
    const canvas = root && root.querySelector('.qt-window canvas');
    if (canvas && canvas.width > 0) {
        const pixels = new Uint32Array(canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data.buffer);
        let hash = 2166136261;
        for (let i = 0; i < pixels.length; ++i) hash = Math.imul(hash ^ pixels[i], 16777619);
        const seen = canvas.width + 'x' + canvas.height + ':' + hash;
        if (seen !== window.varnothPicture.seen) {
            window.varnothPicture.seen = seen;
            window.varnothPicture.last = performance.now();
        }
    }
    requestAnimationFrame(watch);
})();
"""


def picture_ms(url):
    with chromium(800, 600) as driver:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH})
        driver.get(url)
        return wait_for("a picture that stays", lambda: driver.execute_script(
            "const p = window.varnothPicture;"
            "return p.last > 0 && performance.now() - p.last > 2000 ? p.last : 0"), timeout=120)


def main():
    runs = int(sys.argv[1])
    pages = dict(arg.split("=", 1) for arg in sys.argv[2:])
    times = {name: [] for name in pages}
    servers = {name: served(folder) for name, folder in pages.items()}
    urls = {name: server.__enter__() for name, server in servers.items()}
    try:
        for _ in range(runs):
            order = list(pages)
            random.shuffle(order)
            for name in order:
                times[name].append(picture_ms(urls[name]))
    finally:
        for server in servers.values():
            server.__exit__(None, None, None)
    for name, measured in times.items():
        print(f"{name} {statistics.median(measured):.0f} {min(measured):.0f} {max(measured):.0f}")


if __name__ == "__main__":
    main()
