#!/usr/bin/python3
"""The web page played in Debian's Chromium, headless, as a player and a screen reader do.

  page_test.py SCENARIO PAGE_DIR ASSETS_DIR

The page is served from PAGE_DIR (scripts/package-web.sh's DIST/web) on the loopback
interface; ASSETS_DIR holds the artwork the face must show. Each scenario starts a fresh
browser with a fresh profile (so an empty storage for the page's origin):

  first-frame       nothing on the console; the face at 1x pixel for pixel the desktop's
                    artwork wherever no control draws; the page neither scrolls nor zooms
  whole-game        wrong guesses, an empty one told in a box while the clock goes on, a
                    double-click on 确定 as one guess, a refused key's beep, a solved round, the
                    game ended from the menu and a record set with a Chinese name, which the
                    page's storage keeps in GB18030 and a reload shows
  settings-dialog   the face still drawn behind the dialog; the dialog's values kept; a round
                    of 11 s: the big last nine seconds and the round lost on time
  reload            what storage holds shows at start; a changed setting is kept across a reload
  two-tabs          two tabs keep each other's record and setting, by the game's merge
  damaged-storage   a damaged stored value: the defaults and a box that says so; replaced once
                    the player sets something worth keeping
  refused-storage   storage the page may not use: the defaults, and the player is told
  full-storage      storage full: what was kept stays as it was
  phone             a phone's screen: the face as wide as the screen, a digit keyboard for a
                    tapped box, one guess for one tap on 确定, no scrolling or zooming
  accessibility-tree the browser's accessibility tree: the figures with their captions, the
                    four boxes by name, 确定 a button, the history rows a list, a guess's news
                    in the page's live region
"""
import pathlib
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "support"))
from webpage import (caption, centre, check, chromium, click, commit_text, console, element, elements,  # noqa: E402
                     enable_screen_reader, fail, open_game, png_data_url, run, served, settle, store,
                     stored, stored_bytes, tap, type_text, wait_for, WINDOWS_JS)

FACE_WIDTH, FACE_HEIGHT = 537, 278
DEFAULT_RECORDS = "300,9,Zadrevik,1000\r\n\r\n"


def gb18030(text):
    return text.encode("gb18030")


# --- Playing ------------------------------------------------------------------------------


def key(driver, name, code):
    """A key that types no character (Enter, Escape, the arrows)."""
    for kind in ("rawKeyDown", "keyUp"):
        event = {"type": kind, "key": name, "code": name, "windowsVirtualKeyCode": code}
        driver.execute_cdp_cmd("Input.dispatchKeyEvent", event)
    settle(driver, 2)


def enter(driver):
    key(driver, "Enter", 13)


def choose(driver, downs):
    """Opens the menu 选项 and chooses its item that many enabled items down (Idle: 开始解锁 1,
    设置 2; playing: 结束 1, 正确号码 2, 设置 3)."""
    menu = [e for e in elements(driver) if e["role"] == "menuitem" and "选项" in (e["text"] + e["label"])]
    check(menu, "no menu 选项 in the page")
    click(driver, *centre(menu[0]))
    for _ in range(downs):
        key(driver, "ArrowDown", 40)
    enter(driver)
    settle(driver, 4)


def start_game(driver):
    choose(driver, 1)
    wait_for("the game to start", lambda: caption(driver, "Lc") != "")


def code(driver):
    """The secret code, as 正确号码 shows it."""
    choose(driver, 2)
    answer = wait_for("the answer", lambda: caption(driver, "Label8").split(" ")[-1])
    check(len(answer) == 4 and answer.isdigit(), f"the answer shows as {caption(driver, 'Label8')!r}")
    return answer


def confirm(driver, double=False):
    """A click on 确定, or a double-click: a second press and release, as a browser sends them."""
    click(driver, *centre(element(driver, "Label1")))
    if double:
        click(driver, *centre(element(driver, "Label1")), count=2)


def guess(driver, digits):
    type_text(driver, digits)
    confirm(driver)


def close_dialog(driver):
    """Closes the front window by the close box of the title bar Qt draws for it."""
    box = driver.execute_script(f"""
        const windows = {WINDOWS_JS}.filter(w => w.classList.contains('has-title'));
        const buttons = windows[windows.length - 1].querySelectorAll('.title-bar .image-button');
        const r = buttons[buttons.length - 1].getBoundingClientRect();
        return {{x: r.x, y: r.y, width: r.width, height: r.height}};""")
    click(driver, *centre(box))
    wait_for("the dialog to close", lambda: not box_open(driver))


def history(driver):
    """The history's rows as the list reads them ("1234,位置正确 1 个,位置不正确 2 个")."""
    return [e["text"] for e in elements(driver) if e["role"] == "listitem" and not e["hidden"]]


def box_open(driver):
    """Whether a box or dialog is open over the window: a window with the title bar Qt draws
    (the game's main window has none)."""
    return driver.execute_script(f"return {WINDOWS_JS}.filter(w => w.classList.contains('has-title')).length") > 0


def wrong_guesses(answer):
    """Guesses of four different digits that are not the answer."""
    return [g for g in ("1234", "5678", "2345", "6781") if g != answer]


def new_tab(driver, url):
    driver.switch_to.new_window("tab")
    open_game(driver, url)
    enable_screen_reader(driver)


def played(url, driver):
    open_game(driver, url)
    enable_screen_reader(driver)


# --- Scenarios ----------------------------------------------------------------------------


def first_frame(url, assets):
    with chromium(800, 600) as driver:
        open_game(driver, url)
        settle(driver, 10)
        said = console(driver)
        check(not said, "the console holds: " + " | ".join(said))
        # The face, where the window's canvas shows it: the window's last FACE_HEIGHT rows,
        # under the menu bar, compared with the artwork outside every control's element.
        picture = png_data_url(assets / "background.png")
        driver.execute_script("window.varnothArtwork = new Image(); window.varnothArtwork.src = arguments[0];", picture)
        enable_screen_reader(driver)
        differing = driver.execute_async_script(f"""
            const done = arguments[arguments.length - 1];
            const artwork = window.varnothArtwork;
            const ready = () => artwork.complete ? compare() : artwork.onload = compare;
            function compare() {{
                const windows = {WINDOWS_JS};
                const win = windows[0].getBoundingClientRect();
                const canvas = windows[0].querySelector('canvas') ||
                    (windows[0].shadowRoot && windows[0].shadowRoot.querySelector('canvas'));
                if (!canvas) return done('no canvas in the window');
                const c = canvas.getBoundingClientRect();
                const shown = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
                const top = canvas.height - {FACE_HEIGHT};
                const paper = document.createElement('canvas');
                paper.width = {FACE_WIDTH}; paper.height = {FACE_HEIGHT};
                const pen = paper.getContext('2d');
                pen.drawImage(artwork, 0, 0);
                const drawn = pen.getImageData(0, 0, {FACE_WIDTH}, {FACE_HEIGHT}).data;
                const root = document.querySelector('#qt-shadow-container').shadowRoot;
                const controls = Array.from(root.querySelectorAll('[id]'))
                    .map(e => e.getBoundingClientRect()).filter(r => r.width > 0 && r.height > 0)
                    .map(r => ({{x: r.x - c.x, y: r.y - c.y - top, w: r.width, h: r.height}}));
                const inControl = (x, y) => controls.some(r => x >= r.x - 1 && x < r.x + r.w + 1 &&
                                                              y >= r.y - 1 && y < r.y + r.h + 1);
                let count = 0, first = '';
                for (let y = 0; y < {FACE_HEIGHT}; ++y)
                    for (let x = 0; x < {FACE_WIDTH}; ++x) {{
                        if (inControl(x, y)) continue;
                        const a = ((top + y) * canvas.width + x) * 4, b = (y * {FACE_WIDTH} + x) * 4;
                        if (shown[a] !== drawn[b] || shown[a + 1] !== drawn[b + 1] || shown[a + 2] !== drawn[b + 2]) {{
                            if (count++ === 0) first = `(${{x}}, ${{y}}): ${{shown.slice(a, a + 3)}} for ${{drawn.slice(b, b + 3)}}`;
                        }}
                    }}
                done(count === 0 ? '' : `${{count}} pixels differ, the first at ${{first}}`
                     + ` (window ${{win.width}}x${{win.height}}, canvas ${{canvas.width}}x${{canvas.height}})`);
            }}
            ready();""")
        check(differing == "", f"the face is not the artwork outside the controls: {differing}")
        # Qt 6.8's bridge says, as the screen reader's elements are made, that the application
        # object has no window to be placed in; nothing else is expected.
        said = [line for line in console(driver) if "Unable to find window for QAccessibleInterface" not in line
                or "role=Application" not in line]
        check(not said, "with the screen reader's elements the console holds: " + " | ".join(said))


def whole_game(url, assets):
    with chromium(800, 600) as driver:
        played(url, driver)
        start_game(driver)
        check(caption(driver, "Lt") == "300" and caption(driver, "Lc") == "9",
              f"a game starts with {caption(driver, 'Lt')} s and {caption(driver, 'Lc')} tries")
        # A refused key beeps and leaves the box empty.
        type_text(driver, "a")
        check(driver.execute_script("return window.varnothBeeps || 0") == 1, "a letter in a digit box did not beep")
        answer = code(driver)
        # An empty guess is told in a box, and the clock goes on while the box is open.
        confirm(driver)
        wait_for("the box saying 不能有空值", lambda: box_open(driver))
        left = int(caption(driver, "Lt"))
        wait_for("two ticks while the box is open", lambda: int(caption(driver, "Lt")) <= left - 2, timeout=10)
        enter(driver)
        wait_for("the box to close", lambda: not box_open(driver))
        # A wrong guess fills the first history row and costs one try.
        wrong, other = wrong_guesses(answer)[:2]
        guess(driver, wrong)
        wait_for("the first history row", lambda: [row[:4] for row in history(driver)] == [wrong])
        check(caption(driver, "Lc") == "8", f"tries left after one guess: {caption(driver, 'Lc')}")
        # A double-click on 确定 is one guess.
        type_text(driver, other)
        confirm(driver, double=True)
        check(not box_open(driver), "a double-click on 确定 was two clicks (the second found the boxes empty)")
        wait_for("the second history row", lambda: len(history(driver)) >= 2)
        check(caption(driver, "Lc") == "7", f"a double-click cost {8 - int(caption(driver, 'Lc'))} tries")
        check(len(history(driver)) == 2, f"a double-click filled two rows: {history(driver)}")
        # A click within the double-click time of the last one (400 ms) would be a third of
        # a triple click: a player types four digits in between.
        time.sleep(0.5)
        # The right code: the round's points, an empty history, the message.
        guess(driver, answer)
        wait_for("the round's points", lambda: caption(driver, "Label12") == "1111")
        check(history(driver) == [], f"the history after a solved round: {history(driver)}")
        check(not element(driver, "Label5")["hidden"], "no message after a solved round")
        # 结束: the score beats the record; the name is typed through the input method.
        choose(driver, 1)
        wait_for("the record box", lambda: box_open(driver))
        commit_text(driver, "张三")
        enter(driver)
        wait_for("the record holder", lambda: caption(driver, "Label14") == "张三")
        check(caption(driver, "Label10") == "1111", f"the record shows {caption(driver, 'Label10')}")
        check(caption(driver, "Lc") == "" and caption(driver, "Lt") == "", "the game is not over")
        # A reload saves the records as the page goes and shows them as it comes back.
        driver.refresh()
        played(url, driver)
        expected = gb18030("300,9,张三,1111\r\n\r\n")
        check(stored_bytes(driver) == expected, f"storage holds {stored_bytes(driver)!r}, not {expected!r}")
        check(caption(driver, "Label14") == "张三" and caption(driver, "Label10") == "1111",
              "the record did not come back after a reload")


def settings_dialog(url, assets):
    with chromium(800, 600) as driver:
        played(url, driver)
        choose(driver, 2)
        wait_for("the settings dialog", lambda: box_open(driver))
        check(caption(driver, "Text1") in ("300", "") , "the dialog's time limit")
        # The face stays drawn behind it: a native child window would cover it with grey.
        windows = driver.execute_script(f"return {WINDOWS_JS}.length")
        check(windows == 2, f"{windows} windows in the page with the dialog open, not the game's and the dialog's")
        for _ in range(3):
            key(driver, "Backspace", 8)
        type_text(driver, "11")
        close_dialog(driver)
        start_game(driver)
        check(caption(driver, "Lt") == "11", f"a round of 11 s starts with {caption(driver, 'Lt')}")
        # The big count reads as "剩余 9 秒" (9 seconds left).
        wait_for("the big count", lambda: not element(driver, "Label6")["hidden"]
                 and caption(driver, "Label6") in [f"剩余 {n} 秒" for n in range(1, 10)], timeout=15)
        wait_for("the round lost on time", lambda: caption(driver, "Lt") == "", timeout=15)
        check(caption(driver, "Label5") == "答题失败,请继续努力!", f"the message at time-out: {caption(driver, 'Label5')}")
        driver.refresh()
        open_game(driver, url)
        check(stored_bytes(driver) == b"11,9,Zadrevik,1000\r\n\r\n", f"storage holds {stored_bytes(driver)!r}")


def reload_keeps(url, assets):
    with chromium(800, 600) as driver:
        driver.get(url)
        # A holder beyond GB2312 (U+2603): the page fetches the fallback fonts to draw it.
        store(driver, "".join(chr(b) for b in gb18030("120,5,李四☃,2000\r\n\r\n")))
        played(url, driver)
        check(caption(driver, "Label14") == "李四☃" and caption(driver, "Label10") == "2000",
              f"the stored record shows as {caption(driver, 'Label14')} {caption(driver, 'Label10')}")
        wait_for("the fallback fonts", lambda: driver.execute_script("return window.varnothFallbackFonts") == 2)
        start_game(driver)
        check(caption(driver, "Lt") == "120" and caption(driver, "Lc") == "5", "the stored settings")


def two_tabs(url, assets):
    with chromium(800, 600) as driver:
        played(url, driver)
        first = driver.current_window_handle
        new_tab(driver, url)
        # The second tab sets a record; the first changes the time limit (the dialog's
        # first box, 300 to 305); each tab goes.
        start_game(driver)
        guess(driver, code(driver))
        wait_for("the round's points", lambda: caption(driver, "Label12") == "1111")
        choose(driver, 1)
        wait_for("the record box", lambda: box_open(driver))
        commit_text(driver, "王五")
        enter(driver)
        wait_for("the record holder", lambda: caption(driver, "Label14") == "王五")
        driver.close()
        driver.switch_to.window(first)
        choose(driver, 2)
        wait_for("the settings dialog", lambda: box_open(driver))
        key(driver, "Backspace", 8)
        type_text(driver, "5")
        close_dialog(driver)
        driver.refresh()
        open_game(driver, url)
        expected = gb18030("305,9,王五,1111\r\n\r\n")
        check(stored_bytes(driver) == expected, f"after both tabs storage holds {stored_bytes(driver)!r}, not {expected!r}")


def told_at_start(driver, url):
    """Opens the page, whose start tells of the records in a box: closes it, then makes the
    screen reader's elements."""
    open_game(driver, url)
    wait_for("the box that tells of the records", lambda: box_open(driver))
    enter(driver)
    wait_for("the box to close", lambda: not box_open(driver))
    enable_screen_reader(driver)


def damaged_storage(url, assets):
    with chromium(800, 600) as driver:
        driver.get(url)
        store(driver, "损坏的纪录")
        told_at_start(driver, url)
        check(caption(driver, "Label10") == "1000" and caption(driver, "Label14") == "Zadrevik", "not the defaults")
        # Nothing worth keeping: the damaged value stays; a changed setting replaces it.
        driver.refresh()
        told_at_start(driver, url)
        check(stored(driver) == "损坏的纪录", "a damaged value was replaced with nothing worth keeping")
        choose(driver, 2)
        wait_for("the settings dialog", lambda: box_open(driver))
        key(driver, "Backspace", 8)
        type_text(driver, "7")
        close_dialog(driver)
        driver.refresh()
        open_game(driver, url)
        check(stored_bytes(driver) == b"307,9,Zadrevik,1000\r\n\r\n", f"storage holds {stored(driver)!r}")


def refused_storage(url, assets):
    with chromium(800, 600) as driver:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": """
            Object.defineProperty(window, 'localStorage', {get() {
                throw new DOMException('The page may not use storage', 'SecurityError'); }});"""})
        told_at_start(driver, url)
        check(caption(driver, "Label10") == "1000", "not the defaults")


def full_storage(url, assets):
    with chromium(800, 600) as driver:
        driver.get(url)
        kept = DEFAULT_RECORDS.replace("300", "200")
        store(driver, kept)
        filled = driver.execute_script("""
            let n = 0;
            try { for (;;) localStorage.setItem('filler' + n++, 'x'.repeat(1 << 20)); } catch (e) {}
            try { for (;;) localStorage.setItem('filler' + n++, 'x'.repeat(1 << 10)); } catch (e) {}
            try { for (;;) localStorage.setItem('filler' + n++, 'x'); } catch (e) { return String(e); }""")
        check("Quota" in filled, f"storage did not fill: {filled}")
        played(url, driver)
        choose(driver, 2)
        wait_for("the settings dialog", lambda: box_open(driver))
        key(driver, "Backspace", 8)
        type_text(driver, "3")
        close_dialog(driver)
        driver.refresh()
        open_game(driver, url)
        check(stored(driver) == kept, f"full storage holds {stored(driver)!r}, not what was kept")


def phone(url, assets):
    with chromium(390, 844, scale=3, mobile=True) as driver:
        played(url, driver)
        width, bottom = driver.execute_script(f"const r = {WINDOWS_JS}[0].getBoundingClientRect(); return [r.width, r.bottom]")
        check(abs(width - 390) <= 1, f"the window is {width} px wide on a 390 px screen")
        # The screen reader's elements are scaled with the window: each lies within it.
        outside = [e["id"] for e in elements(driver) if e["id"].startswith("QApplication") and not e["hidden"]
                   and (e["x"] + e["width"] > width + 1 or e["y"] + e["height"] > bottom + 1)]
        check(not outside, f"screen reader elements outside the window: {outside}")
        menu = [e for e in elements(driver) if e["role"] == "menuitem" and "选项" in e["text"]]
        tap(driver, *centre(menu[0]))
        key(driver, "ArrowDown", 40)
        enter(driver)
        wait_for("the game to start", lambda: caption(driver, "Lc") != "")
        tap(driver, *centre(element(driver, "T(0)")))
        mode = driver.execute_script("const e = document.activeElement; return e && e.tagName === 'INPUT' ? e.getAttribute('inputmode') : null")
        check(mode == "numeric", f"a tapped digit box brings the keyboard of inputmode {mode!r}")
        type_text(driver, "1234")
        time.sleep(0.5)  # a tap within the double-click time of the last one could be a double tap
        tap(driver, *centre(element(driver, "Label1")))
        check(not box_open(driver), "a box opened at the tap on 确定 (a digit typed was lost)")
        wait_for("one guess", lambda: caption(driver, "Lc") in ("8", ""))
        check(caption(driver, "Lc") == "8" or caption(driver, "Label12") == "1111", "one tap was not one guess")
        # A finger's drag and pinch move nothing.
        driver.execute_cdp_cmd("Input.synthesizeScrollGesture", {"x": 200, "y": 400, "yDistance": -300})
        driver.execute_cdp_cmd("Input.synthesizePinchGesture", {"x": 200, "y": 400, "scaleFactor": 2})
        settle(driver, 5)
        moved = driver.execute_script("return [window.scrollX, window.scrollY, window.visualViewport.scale]")
        check(moved == [0, 0, 1], f"the page scrolled or zoomed: {moved}")


def accessibility_tree(url, assets):
    with chromium(800, 600) as driver:
        played(url, driver)
        start_game(driver)
        guess(driver, wrong_guesses(code(driver))[0])
        wait_for("the first history row", lambda: history(driver))
        nodes = driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]

        def named(role, name):
            return [n for n in nodes if n.get("role", {}).get("value") == role
                    and name in str(n.get("name", {}).get("value", ""))]

        problems = []
        for figure in ("纪录", "得分", "剩余时间", "剩余次数"):
            if not any(figure in str(n.get("name", {}).get("value", "")) for n in nodes):
                problems.append(f"no figure named by its caption {figure}")
        for i in range(1, 5):
            if not named("textbox", f"第{i}位数字"):
                problems.append(f"no text box 第{i}位数字")
        if not named("button", "确定"):
            problems.append("no button 确定")
        if not named("list", "记录"):
            problems.append("no list 记录")
        if not [n for n in nodes if n.get("role", {}).get("value") == "listitem" and "位置正确" in str(n.get("name", {}).get("value", ""))]:
            problems.append("no history row in the list")
        # The guess's news, as the desktop announces it, in the page's live region.
        if not named("status", ""):
            problems.append("no live region for the news")
        if not [n for n in nodes if "位置正确" in str(n.get("name", {}).get("value", "")) and "剩余次数 8" in str(n.get("name", {}).get("value", ""))]:
            problems.append("the guess's news (its row and the tries left) is not in the page")
        if problems:
            roles = sorted({(n.get("role", {}).get("value"), str(n.get("name", {}).get("value", ""))[:30]) for n in nodes})
            fail("; ".join(problems) + f"; the tree holds {roles}")


SCENARIOS = {
    "first-frame": first_frame, "whole-game": whole_game, "settings-dialog": settings_dialog,
    "reload": reload_keeps, "two-tabs": two_tabs, "damaged-storage": damaged_storage,
    "refused-storage": refused_storage, "full-storage": full_storage, "phone": phone,
    "accessibility-tree": accessibility_tree,
}


def main():
    scenario, page, assets = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
    with served(page) as url:
        run(lambda: SCENARIOS[scenario](url, assets))


if __name__ == "__main__":
    main()
