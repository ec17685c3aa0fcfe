#!/usr/bin/python3
"""Reads Varnoth through the accessibility bus alone, with the bus's cache on, for what a
screen reader relies on but does not say aloud: the window's objects in reading order,
each figure linked both ways to its caption, 确定 a push button that takes no focus and
is pressed by its action, a menu item chosen by its action, a letter refused by a box,
the code revealed, and one guess read back from the history and the tries. A whole game
as a blind player hears it is Orca's to play (orca.sh).

The game is started by screen_reader.sh with a round of 20 seconds and the record 1000."""

import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_client import (Atspi, Role, State, children, descendants, fail, find, has, press,  # noqa: E402
                          pump, step, text_of, type_keys, wait_for)


def heard(node):
    """What a reader walking the node's children hears: the showing ones, in order."""
    return [(c.get_role(), c.get_name()) for c in children(node) if has(c, State.SHOWING)]


def related(node, relation):
    names = []
    for r in node.get_relation_set():
        if r.get_relation_type() == relation:
            names += [r.get_target(i).get_name() for i in range(r.get_n_targets())]
    return names


# --- The game on the bus --------------------------------------------------------------------

def find_game():
    for app in children(Atspi.get_desktop(0)):
        for window in children(app):
            if window.get_role() == Role.FRAME and window.get_name() == "Varnoth":
                return app, window
    return None


step("find the game by its name")
app, frame = wait_for("a window named Varnoth on the accessibility bus", find_game, 30)
face = find(frame, Role.LABEL, "纪录:").get_parent()

step("read the window at rest, in reading order")
at_rest = [
    (Role.LABEL, "纪录:"), (Role.LABEL, "1000"), (Role.LABEL, "纪录人:"), (Role.LABEL, "Zadrevik"),
    (Role.LABEL, "得分:"), (Role.LABEL, "0"), (Role.LABEL, "剩余时间:"), (Role.LABEL, "剩余次数:"),
    (Role.TEXT, "第1位数字"), (Role.TEXT, "第2位数字"), (Role.TEXT, "第3位数字"), (Role.TEXT, "第4位数字"),
    (Role.PUSH_BUTTON, "确定"),
    (Role.LABEL, "输入四位数密码后按确定,如果密码正确,将会进入一关挑战。"),
    (Role.IMAGE, "位置正确"), (Role.LABEL, "表示有多少答案，数字正确且位置正确。"),
    (Role.IMAGE, "位置不正确"), (Role.LABEL, "表示有多少答案，数字正确且位置不正确。"),
    (Role.LABEL, "设计: 锁匠工作室"), (Role.LABEL, "记录"), (Role.LIST, "记录"),
]
if heard(face) != at_rest:
    fail(f"the window at rest reads {[(role.value_nick, name) for role, name in heard(face)]}")
empty = [n.get_role_name() for n in descendants(frame) if has(n, State.SHOWING) and not n.get_name()
         and n.get_role() in (Role.LABEL, Role.IMAGE, Role.LIST_ITEM)]
if empty:
    fail(f"empty controls reported as showing: {empty}")

confirm = find(face, Role.PUSH_BUTTON, "确定")
if has(confirm, State.FOCUSABLE):
    fail("确定 takes the keyboard focus")
boxes = [find(face, Role.TEXT, f"第{i}位数字") for i in range(1, 5)]
history = find(face, Role.LIST, "记录")


def figure(caption):
    for node in children(face):
        if caption in related(node, Atspi.RelationType.LABELLED_BY):
            return node.get_name()
    fail(f"no figure is labelled by {caption}")


for caption in ("纪录:", "纪录人:", "得分:"):
    figure(caption)
if related(history, Atspi.RelationType.LABELLED_BY) != ["记录"]:
    fail("the history list is not labelled by its heading")

menu = {name: find(frame, Role.MENU_ITEM, name) for name in ("开始解锁", "结束", "正确号码", "设置")}


def rows():
    return [item.get_name() for item in children(history) if item.get_role() == Role.LIST_ITEM]


def guess(digits):
    """Types the four digits into the boxes, from the first one, and presses 确定."""
    Atspi.Component.grab_focus(boxes[0])
    wait_for("the caret in the first box", lambda: has(boxes[0], State.FOCUSED))
    type_keys(digits)
    wait_for(f"{digits} in the four boxes", lambda: [text_of(b) for b in boxes] == list(digits))
    press(confirm)


step("start a game by the menu item's action")
press(menu["开始解锁"])
wait_for("the clock", lambda: figure("剩余时间:") in ("20", "19", "18"))
if figure("剩余次数:") != "9" or figure("得分:") != "0":
    fail(f"a new game reads tries {figure('剩余次数:')}, score {figure('得分:')}")
wait_for("the caret in the first box", lambda: has(boxes[0], State.FOCUSED))

step("a letter is refused by the box, as typed with the keyboard")
type_keys("a")
pump(0.3)
if text_of(boxes[0]) != "":
    fail(f"the first box took a letter: {text_of(boxes[0])!r}")

step("reveal the code through 正确号码 and read it")
press(menu["正确号码"])
answer = wait_for("the answer", lambda: next((n for n in children(face) if has(n, State.SHOWING)
                                               and n.get_name().startswith("正确号码: ")), None))
code = answer.get_name()[-4:]
if not re.fullmatch(r"[1-8][0-8]{3}", code) or len(set(code)) != 4:
    fail(f"the answer reads {answer.get_name()!r}")

step("a wrong guess fills the first history row")
wrong = code[1] + code[0] + code[2] + "9"
guess(wrong)
wait_for("one history row", lambda: len(rows()) == 1)
if rows() != [f"{wrong},位置正确 1 个,位置不正确 2 个"] or figure("剩余次数:") != "8":
    fail(f"after {wrong}: rows {rows()}, tries {figure('剩余次数:')}")
if any(text_of(b) for b in boxes):
    fail("the boxes were not emptied after the guess")

print("PASS: the window as the bus shows it, and one guess through it", flush=True)
