#!/usr/bin/env python3
"""End-to-end runs of featurehue as a study participant uses it.

The real executable runs on a scratch copy of the example project in an X
server of its own and is driven only from outside, by X input events
(xdotool). Where widgets lie comes from the layout probe, which lays out the
same window on a second, identical X server; the driver checks the probe's
picture against its own screenshots before it trusts the coordinates.

Two runs, then their replays:
  1. a whole session: sign in, open, scroll, switch and close files, give
     colours by drag and drop and automatically, search, change the opacity,
     save and load an assignment, answer and complete every task; then the
     log, the answers file and the saved assignment are checked on disk;
  2. a session killed with SIGKILL in the middle of a task, and the same
     participant signing in again: the log up to the kill is intact and the
     questionnaire resumes at the right page with the answers restored;
  3. "featurehue replay" on both folders (tests/e2e/replaycheck.py): the state
     at every record, and a replay window driven through its controls that
     leaves the folder as it was.

Exit status: 0 when every check passed, 1 when any failed, 77 when the X
tools are missing. Screenshots of every step go to OUT/shots.
"""

import argparse
import calendar
import csv
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import logfile  # noqa: E402
import replaycheck  # noqa: E402
from layout import Layout, LayoutProbe, center, contains, similarity  # noqa: E402
from xsession import (SCREEN_HEIGHT, SCREEN_WIDTH, DriverError, XSession,  # noqa: E402
                      missing_tools, wait_for)

USERNAME = "e2etester"
# How long a logged action may take to reach the log file.
LOG_TIMEOUT = 15.0


class Checks:
    """Collects failed checks; the run goes on so one report lists them all."""

    def __init__(self):
        self.failures = []
        self.passed = 0
        self.section = ""

    def begin(self, section):
        self.section = section
        print("== %s" % section, flush=True)

    def check(self, ok, message):
        if ok:
            self.passed += 1
        else:
            self.failures.append("[%s] %s" % (self.section, message))
            print("   FAIL: %s" % message, flush=True)
        return ok


def colour_distance(a, b):
    return max(abs(x - y) for x, y in zip(a, b))


def is_grey(c, tolerance=6):
    return max(c) - min(c) <= tolerance


def count_near(image, rect, colour, tolerance=10, step=1):
    return sum(1 for _, _, p in image.pixels(rect, step) if colour_distance(p, colour) <= tolerance)


def answer_box_counts(questions_path):
    """Number of answer boxes on each task page, read from questions.txt."""
    with open(questions_path, "rb") as f:
        text = f.read().split(b"\0")[0].decode("utf-8")
    counts = []
    for task in text.split(";")[:-1]:
        boxes = 0
        for question in task.split("$"):
            parts = question.split("|")
            if len(parts) > 1 and parts[1].strip().isdigit() and int(parts[1]) > 0:
                boxes += 1
        counts.append(boxes)
    return counts


def line_counts(project):
    counts = {}
    for folder, _, files in os.walk(project):
        for name in files:
            if name.endswith((".java", ".c", ".h")):
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    data = f.read()
                # A final line break leaves an empty last line, which the
                # code view numbers too.
                counts[path[len(project):]] = data.count(b"\n") + 1
    return counts


class Viewer:
    """The program under test, on the driver's X server."""

    def __init__(self, x, binary, project, workdir, name):
        self.x = x
        self.binary = binary
        self.project = project
        self.output = os.path.join(workdir, "%s.out" % name)
        self.process = None
        self.window = None

    def start(self):
        runtime = os.path.join(os.path.dirname(self.output), "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = self.x.env(QT_QPA_PLATFORM="xcb", USERNAME=USERNAME, LC_ALL="C.UTF-8",
                         XDG_RUNTIME_DIR=runtime)
        env.pop("QT_SCALE_FACTOR", None)
        self.process = subprocess.Popen([self.binary, self.project], env=env,
                                         stdout=open(self.output, "wb"),
                                         stderr=subprocess.STDOUT)
        self.window = self.x.wait_window("^MainWindow$")
        # No window manager runs here, so the driver maximises the window.
        self.x.place_window(self.window, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT)

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def kill(self):
        if self.alive():
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(timeout=30)

    def stop(self):
        if self.alive():
            self.process.terminate()
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class LogWatch:
    """Follows the participant's log as the run goes on."""

    def __init__(self, path, checks, line_counts_by_file):
        self.path = path
        self.checks = checks
        self.seen = 0
        self.lines = line_counts_by_file

    def records(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path, "rb") as f:
            return logfile.parse(f.read())[0]

    def expect(self, action, task=None, file=None, allow=(), what=None):
        """Waits for the next record with this action; other new records fail
        the check unless their action is in allow."""
        entry = {"action": action}
        if task is not None:
            entry["task"] = task
        if file is not None:
            entry["file"] = file
        label = what or logfile.describe(entry)

        def find():
            records = self.records()
            for k in range(self.seen, len(records)):
                if logfile.entry_matches(entry, records[k]):
                    return records, k
            return None

        try:
            records, k = wait_for(find, "log entry %s" % label, timeout=LOG_TIMEOUT)
        except DriverError:
            tail = self.records()[self.seen:]
            self.checks.check(False, "no log entry %s (new entries: %r)" % (label, tail))
            self.seen = len(self.records())
            return None
        extra = [r for r in records[self.seen:k] if r.action not in allow]
        self.checks.check(not extra, "unexpected log entries before %s: %r" % (label, extra))
        record = records[k]
        self.seen = k + 1
        if record.file:
            count = self.lines.get(record.file, 0)
            self.checks.check(record.start is not None and record.end is not None
                              and 1 <= record.start <= record.end <= count,
                              "%r: visible lines outside the file's %d lines" % (record, count))
        return record

    def expect_nothing_new(self, what):
        records = self.records()
        self.checks.check(len(records) == self.seen,
                          "%s wrote log entries: %r" % (what, records[self.seen:]))


class Run:
    """One participant session and everything it needs."""

    def __init__(self, args, x, probe, name, checks):
        self.args = args
        self.x = x
        self.probe = probe
        self.name = name
        self.checks = checks
        self.workdir = os.path.join(args.out, name)
        self.shots = os.path.join(args.out, "shots")
        self.project = os.path.join(self.workdir, "chat")
        shutil.rmtree(self.workdir, ignore_errors=True)
        os.makedirs(self.workdir)
        os.makedirs(self.shots, exist_ok=True)
        shutil.copytree(args.project, self.project)
        self.lines = line_counts(self.project)
        self.boxes_per_page = answer_box_counts(os.path.join(self.project, "questions.txt"))
        self.viewer = None
        self.dialog = None
        self.steps = []  # probe steps that bring the probe into the viewer's state
        self.layout = None
        self.shot_number = 0
        # The driver's own clock around each press of "Weiter"/"Fertig!":
        # (before the click, after the answers file was written).
        self.page_turns = []

    # Helpers -------------------------------------------------------------

    def shot(self, label, until=None, timeout=15.0):
        """Captures the screen; with until, waits (up to timeout) for a
        capture that satisfies it, since the log entry of an action is
        written before the window repaints, and a slow build (sanitizers)
        may take a while to paint."""
        image = self.x.capture()
        deadline = time.monotonic() + timeout
        while until is not None and not until(image) and time.monotonic() < deadline:
            time.sleep(0.1)
            image = self.x.capture()
        self.shot_number += 1
        path = os.path.join(self.shots, "%s-%02d-%s.png" % (self.name, self.shot_number, label))
        image.save_png(path)
        return image

    def origins(self):
        origins = {"MainWindow": (0, 0)}
        dialog = self.dialog_rect()
        if dialog:
            origins["QuestionDialog"] = dialog[:2]
        for window in self.x.find_windows("^Finder$"):
            origins["dockWidget_finder"] = self.x.window_geometry(window)[:2]
        return origins

    def relayout(self, *new_steps):
        """Records what the viewer's state gained and asks the probe again."""
        self.steps.extend(new_steps)
        self.layout = Layout(self.probe.run(self.steps), self.origins())
        return self.layout

    def log_path(self, account):
        return os.path.join(self.project, "%s_%s_log.txt" % (account, USERNAME))

    def answers_path(self, account):
        return os.path.join(self.project, "%s_%s_answers.txt" % (account, USERNAME))

    def dialog_window(self):
        """The questionnaire's X window while it is on the screen (it gets a
        new one when its window flags change)."""
        windows = self.x.find_windows("^Fragebogen$")
        self.dialog = windows[-1] if windows else None
        return self.dialog

    def dialog_rect(self):
        window = self.dialog_window()
        return self.x.window_geometry(window) if window else None

    def click(self, point, **kwargs):
        """Clicks the main window; the questionnaire must not be in the way."""
        dialog = self.dialog_rect()
        if dialog and contains(dialog, point):
            raise DriverError("the questionnaire covers %r" % (point,))
        self.x.click(*point, **kwargs)

    def double_click(self, point):
        self.click(point, repeat=2)

    def start_viewer(self):
        self.viewer = Viewer(self.x, self.args.binary, self.project, self.workdir, self.name)
        self.viewer.start()
        self.steps = []
        self.layout = self.relayout()
        # The probe's picture of the same window must match the screen, or
        # none of its coordinates can be trusted.
        self.compare_with_probe((0, 0, SCREEN_WIDTH, SCREEN_HEIGHT), "the window")
        self.shot("start")

    def compare_with_probe(self, rect, what, threshold=0.99):
        """The probe's picture agrees with the screen in rect (outside the
        questionnaire), or none of its coordinates can be trusted."""
        picture = self.probe.last_picture()
        # Rows under the pointer are highlighted; the probe has no pointer.
        self.x.move(SCREEN_WIDTH // 2, 45)
        hole = self.dialog_rect()
        scores = []

        def agree():
            scores.append(similarity(self.x.capture(), picture, rect, hole))
            return scores[-1] >= threshold
        try:
            wait_for(agree, "%s to look as the probe lays it out" % what, timeout=20)
        except DriverError:
            pass
        if not self.checks.check(scores[-1] >= threshold, "%s looks as the probe lays it out "
                                 "(%.3f of the pixels agree)" % (what, scores[-1])):
            raise DriverError("the layout probe does not match the screen")

    # The questionnaire ---------------------------------------------------

    def open_questionnaire(self):
        menu = self.layout.menu("Show")
        before = self.x.visible_windows()
        self.click(center(menu))
        self.x.wait_new_window(before, "the Show menu to open")
        # The last entry of the menu is "show Questions Dialog".
        self.x.key("Up", "Return")
        self.x.wait_window("^Fragebogen$")
        self.park_dialog()

    def park_dialog(self):
        """Puts the questionnaire in the bottom left corner, where a participant
        would drag it to keep the code in view."""
        window = wait_for(self.dialog_window, "the questionnaire on the screen")
        _, _, _, h = self.x.window_geometry(window)
        self.x.place_window(window, 0, SCREEN_HEIGHT - h)

    def dialog_layout(self):
        """The account field and the "Weiter" button, from the probe: both keep
        their place relative to the dialog's top left and bottom right."""
        if not hasattr(self, "_dialog_probe"):
            self._dialog_probe = self.probe.run(["questions"])
        return self._dialog_probe

    def next_button(self):
        data = self.dialog_layout()
        dx, dy, dw, dh = self.dialog_rect()
        bx, by, bw, bh = data["widgets"]["pushButton_next"]["rect"]
        _, _, pw, ph = data["windows"]["QuestionDialog"]["geometry"]
        # Anchored at the bottom right corner.
        return (dx + dw - (pw - bx) + bw // 2, dy + dh - (ph - by) + bh // 2)

    def wait_keyboard(self, window, what):
        """Waits until the X keyboard focus is in window (typed text goes
        there without a click); a failed check when it never gets there."""
        def focused():
            return self.x.run("xdotool", "getwindowfocus", check=False).strip() == str(window)
        try:
            wait_for(focused, "the keyboard in %s" % what, timeout=15)
            return True
        except DriverError:
            return self.checks.check(False, "%s did not get the keyboard" % what)

    def sign_in(self, account, click_field=True):
        """Types the account name and turns the page; without click_field the
        name goes wherever the keyboard is, which must be the account field."""
        data = self.dialog_layout()
        dx, dy, _, _ = self.dialog_rect()
        ax, ay, aw, ah = data["widgets"]["lineEdit_account"]["rect"]
        if click_field:
            self.x.click(dx + ax + aw // 2, dy + ay + ah // 2)
        else:
            self.wait_keyboard(self.dialog, "the questionnaire shown from the menu")
        self.x.type(account)
        self.shot("account-typed")
        self.turn_page(account)

    def turn_page(self, account):
        answers = self.answers_path(account)
        before = os.stat(answers).st_mtime_ns if os.path.exists(answers) else None
        clicked = time.time()
        self.x.click(*self.next_button())
        # Every page turn rewrites the answers file.
        wait_for(lambda: os.path.exists(answers) and os.stat(answers).st_mtime_ns != before,
                 "the answers file to be written")
        self.page_turns.append((clicked, time.time()))
        with open(os.path.join(self.workdir, "page-turns.json"), "w") as f:
            json.dump(self.page_turns, f)
        if self.dialog_window():
            self.park_dialog()

    def answer_boxes(self, expected):
        """The empty answer boxes of the current page, found as the white
        fields in the questionnaire."""
        def find():
            boxes = white_boxes(self.x.capture(), self.dialog_rect())
            return boxes if len(boxes) == expected else None
        try:
            return wait_for(find, "%d answer boxes on the page" % expected, timeout=10)
        except DriverError:
            boxes = white_boxes(self.x.capture(), self.dialog_rect())
            self.checks.check(False, "the page shows %d answer boxes, not %d"
                              % (len(boxes), expected))
            return boxes

    def answer(self, boxes, texts):
        for box, text in zip(boxes, texts):
            self.x.click(box[0] + 20, box[1] + 10)
            self.x.type(text)


def white_boxes(image, dialog):
    """Pure white rectangles at least 100 pixels wide and 15 high in the dialog,
    top to bottom."""
    dx, dy, dw, dh = dialog
    x = dx + dw - 40
    boxes = []
    y = dy
    while y < dy + dh:
        if image.pixel(x, y) == (255, 255, 255):
            top = y
            while y < dy + dh and image.pixel(x, y) == (255, 255, 255):
                y += 1
            bottom = y
            mid = (top + bottom) // 2
            left = x
            while left > dx and image.pixel(left - 1, mid) == (255, 255, 255):
                left -= 1
            right = x
            while right < dx + dw - 1 and image.pixel(right + 1, mid) == (255, 255, 255):
                right += 1
            if bottom - top >= 15 and right - left >= 100:
                boxes.append((left, top, right - left + 1, bottom - top))
        y += 1
    return boxes


FULL_ANSWERS = [
    "Authenticator.java",
    "ClientHandler.sendHistory",
    "Zeilen 20 bis 24",
    "Caesar, die Verschlüsselung mit Verschiebung",
    "Ciphers.java und chatsend.c",
    "Encryption",
    "keine",
]


def run_full_session(run):
    checks = run.checks
    x = run.x
    account = "anna"

    checks.begin("full session: start and sign in")
    run.start_viewer()
    run.open_questionnaire()
    run.shot("questionnaire")
    # "show Questions Dialog" gives the dialog the keyboard: the name is typed
    # without a click into the field.
    run.sign_in(account, click_field=False)
    log = LogWatch(run.log_path(account), checks, run.lines)
    log.expect("code", task="code", what="the sign-in")
    checks.check(not os.path.exists(run.log_path("")),
                 "nothing was logged to the file for actions before sign-in")
    boxes = run.answer_boxes(run.boxes_per_page[0])
    run.answer(boxes, FULL_ANSWERS[0:2])
    run.shot("task1-answered")

    checks.begin("full session: open files from the file tree")
    layout = run.layout
    # Double-clicking a folder row unfolds it and opens nothing.
    run.double_click(center(layout.row("package", "chat/src/chat")))
    layout = run.relayout("expand:package:chat/src/chat")
    run.double_click(center(layout.row("package", "chat/src/chat/server")))
    layout = run.relayout("expand:package:chat/src/chat/server")
    # The row under the last click keeps a highlight that the probe lacks.
    run.compare_with_probe(layout.widget("treeWidget_packageView"), "the unfolded file tree",
                           threshold=0.97)
    log.expect_nothing_new("unfolding folders")

    server = "/src/chat/server/Server.java"
    caesar = "/tools/caesar.h"
    run.double_click(center(layout.row("package", "chat/src/chat/server/Server.java")))
    log.expect("fileOpened", task="task0", file=server)
    layout = run.relayout("open:chat/src/chat/server/Server.java")
    run.shot("server-open")
    run.double_click(center(layout.row("package", "chat/tools/caesar.h")))
    log.expect("fileOpened", task="task0", file=caesar)
    layout = run.relayout("open:chat/tools/caesar.h")
    checks.check([t["title"] for t in layout.tabs()] == ["Server.java", "caesar.h"],
                 "the probe shows the two tabs")
    run.compare_with_probe((0, 0, SCREEN_WIDTH, SCREEN_HEIGHT), "the window with two tabs")
    run.shot("caesar-open")

    checks.begin("full session: switch tabs and scroll")
    run.click(center(layout.tab("Server.java")["rect"]))
    first = log.expect("selectionChanged", file=server)
    layout = run.relayout("tab:0")
    code = layout.code_view()
    x.click(code[0] + code[2] * 3 // 4, code[1] + 100, button=5, repeat=10)
    run.shot("server-scrolled")
    run.click(center(layout.tab("caesar.h")["rect"]))
    log.expect("selectionChanged", file=caesar)
    run.click(center(layout.tab("Server.java")["rect"]))
    scrolled = log.expect("selectionChanged", file=server)
    if first and scrolled:
        checks.check(first.start == 1, "a freshly opened file shows its first line")
        checks.check(scrolled.start > first.start,
                     "scrolling down moved the visible lines (%s-%s, then %s-%s)"
                     % (first.start, first.end, scrolled.start, scrolled.end))

    checks.begin("full session: close a tab")
    run.click(center(layout.tab("caesar.h")["rect"]))
    log.expect("selectionChanged", file=caesar)
    layout = run.relayout("tab:1")
    run.click(center(layout.tab("caesar.h")["close"]))
    log.expect("fileClosed", file=caesar)
    # The tab that comes to the front is a switch like any other.
    back = log.expect("selectionChanged", file=server)
    if back and scrolled:
        checks.check((back.start, back.end) == (scrolled.start, scrolled.end),
                     "the remaining tab keeps its scrolled position")
    layout = run.relayout("close:1")
    run.shot("caesar-closed")

    checks.begin("full session: drag a palette colour onto a feature")
    image = x.capture()
    palette = layout.palette()
    source = center(palette[0]["rect"])
    colour = image.pixel(*source)
    checks.check(not is_grey(colour), "the first palette entry shows a colour: %r" % (colour,))
    tcp = layout.row("model", "Chat/Transport/Tcp")
    checks.check(x.drag(source, center(tcp)), "dragging a palette entry starts a drag")
    log.expect("assignColor<1>")
    code = layout.code_view()

    def tcp_bands(image):
        return [p for _, _, p in image.pixels(code, 3) if not is_grey(p, 12)
                and colour_distance(p, colour) < 255 and hue_like(p, colour)]

    image = run.shot("tcp-coloured", until=lambda image: (
        count_near(image, tcp, colour) > tcp[2] * tcp[3] // 4 and len(tcp_bands(image)) > 50))
    row_hits = count_near(image, tcp, colour)
    checks.check(row_hits > tcp[2] * tcp[3] // 4,
                 "the Tcp row shows the dropped colour %r (%d pixels)" % (colour, row_hits))
    band = tcp_bands(image)
    checks.check(len(band) > 50, "the code of Server.java shows Tcp bands in its colour")
    # Every colour Tcp shows in the run, in order, for the view file.
    tcp_colours = [colour]

    checks.begin("full session: assign colours automatically")
    history = layout.row("model", "Chat/Extras/History")
    spam = layout.row("model", "Chat/Extras/Spamfilter")
    run.click(center(history))
    run.click(center(spam), modifiers="ctrl")
    run.click(center(layout.widget("toolButton_auto")))
    log.expect("assignColor<2>")
    run.click(center(layout.row("model", "Chat/Base")))  # moves the selection away

    def coloured(image, row):
        return [p for _, _, p in image.pixels(row, 2) if not is_grey(p, 20)]

    image = run.shot("auto-coloured", until=lambda image: all(
        len(coloured(image, row)) > row[2] * row[3] // 16 for row in (history, spam)))
    for label, row in (("History", history), ("Spamfilter", spam)):
        checks.check(len(coloured(image, row)) > row[2] * row[3] // 16,
                     "the %s row shows a colour after automatic assignment" % label)

    checks.begin("full session: opacity slider")
    layout = run.relayout()
    slider = layout.slider()
    groove = slider["groove"]
    x.drag(layout.slider_handle(170), (groove[0] - 40, groove[1] + groove[3] // 2), steps=8)
    log.expect("saturationChanged(0)", file=server)
    image = run.shot("opacity-0", until=lambda image: count_near(
        image, code, colour, tolerance=40, step=3) == 0)
    checks.check(count_near(image, code, colour, tolerance=40, step=3) == 0,
                 "at opacity 0 no band shows the Tcp colour")
    x.drag(layout.slider_handle(0), (groove[0] + groove[2] + 40, groove[1] + groove[3] // 2),
           steps=8)
    log.expect("saturationChanged(255)", file=server)
    image = run.shot("opacity-255", until=lambda image: count_near(
        image, code, colour, tolerance=4, step=3) > 50)
    checks.check(count_near(image, code, colour, tolerance=4, step=3) > 50,
                 "at opacity 255 the Tcp bands show the full colour %r" % (colour,))

    checks.begin("full session: search the current file and the project")
    # Ctrl+F opens the finder beside the code, inside the window, with the
    # keyboard in its search field: the text is typed without a click.
    x.key("ctrl+f")
    finder = x.wait_window("^Finder$")
    layout = run.relayout("finder")
    place = x.window_geometry(finder)
    menu_bar = layout.menu("Show")
    checks.check(contains((0, 0, SCREEN_WIDTH, SCREEN_HEIGHT), place[:2])
                 and place[1] >= menu_bar[1] + menu_bar[3]
                 and place[1] >= layout.tab("Server.java")["rect"][1],
                 "the finder opens below the menu bar and the tab titles: %r" % (place,))
    code = layout.code_view()
    checks.check(place[0] < code[0] + code[2] and place[0] + place[2] > code[0],
                 "the finder opens beside the code %r: %r" % (code, place))
    run.wait_keyboard(finder, "the finder opened by Ctrl+F")
    x.type("History")
    run.click(center(layout.widget("pushButton_find")))
    log.expect("search<current>(History)")
    image = run.shot("search-current", until=lambda image: count_near(
        image, code, (255, 255, 0), tolerance=2, step=2) > 20)
    marks = count_near(image, code, (255, 255, 0), tolerance=2, step=2)
    checks.check(marks > 20, "hits in the current file are marked yellow")
    run.click(center(layout.widget("radioButton_project")))
    run.click(center(layout.widget("pushButton_find")))
    log.expect("search<project>(History)")
    layout = run.relayout("type:lineEdit_find:History", "click:radioButton_project",
                          "click:pushButton_find")
    results = layout.list_rows("listWidget_results")
    checks.check(any(r["text"].endswith("/src/chat/history/HistoryLog.java") for r in results),
                 "the project search lists HistoryLog.java: %r" % [r["text"] for r in results])
    run.shot("search-project")
    target = [r for r in results if r["text"].endswith("/HistoryLog.java")]
    if target:
        run.click(center(target[0]["rect"]))
        log.expect("fileOpened", file="/src/chat/history/HistoryLog.java")
        layout = run.relayout("result:" + target[0]["text"])
        checks.check(layout.checked("radioButton_current"),
                     "opening a result switches the search back to the current file")
        run.shot("result-opened")
    # A double-click on its title leaves the finder a window of its own beside
    # the code; docked, it widened the explorer and opened there from then on.
    place = x.window_geometry(finder)
    x.click(place[0] + place[2] // 3, place[1] + 6, repeat=2)
    try:
        wait_for(lambda: not x.find_windows("^Finder$") or None, "the finder to dock",
                 timeout=3)
        docked = True
    except DriverError:
        docked = False
    checks.check(not docked and x.window_geometry(finder)[:2] == place[:2],
                 "a double-click on the finder's title leaves it floating where it was")
    run.shot("finder-title-double-clicked")
    x.run("xdotool", "windowunmap", str(finder))  # a participant closes the finder

    checks.begin("full session: search the feature model and switch the explorer")
    layout = run.relayout()
    run.click(center(layout.widget("lineEdit_featureSearch")))
    x.type("spam")
    run.click(center(layout.widget("toolButton_featureSearch")))
    log.expect("search<feature>(spam)", allow=("selectionChanged",))
    run.click(center(layout.widget("radioButton_features")))
    log.expect("select<FeatureView>")
    run.shot("feature-view")
    run.click(center(layout.widget("radioButton_packages")))
    log.expect("select<PackageView>")

    checks.begin("full session: save and load a colour assignment")
    saved = os.path.join(run.project, "savedColorAssignments", "chat1.txt")
    run.click(center(layout.widget("toolButton_save")))
    try:
        wait_for(lambda: os.path.exists(saved) and os.path.getsize(saved) > 0,
                 "the saved assignment %s" % saved, timeout=15)
    except DriverError as error:
        checks.check(False, str(error))
    log.expect_nothing_new("saving")
    check_saved_assignment(checks, saved, colour)
    run.shot("saved")
    # Another colour on Tcp, then the saved assignment brings the first back.
    layout = run.relayout()
    image = x.capture()
    # The palette shows only free colours now; the probe, which gave no
    # colours away, knows where the places are, the screen what they hold.
    entries = [(center(p["rect"]), image.pixel(*center(p["rect"]))) for p in layout.palette()]
    entries = [(point, c) for point, c in entries if not is_grey(c)]
    checks.check(len(entries) == len(palette) - 3,
                 "the palette shows the %d colours that are still free: %r"
                 % (len(palette) - 3, [c for _, c in entries]))
    source, other = entries[-1]
    checks.check(other != colour, "the palette no longer offers Tcp's colour")
    checks.check(x.drag(source, center(tcp)), "dragging the last palette entry starts a drag")
    log.expect("assignColor<1>")
    log.expect("deleteColor<1>")
    image = run.shot("tcp-recoloured", until=lambda image: count_near(
        image, tcp, other) > tcp[2] * tcp[3] // 4)
    checks.check(count_near(image, tcp, other) > tcp[2] * tcp[3] // 4,
                 "the Tcp row shows the second colour %r" % (other,))
    tcp_colours += [other, colour]  # then the saved assignment brings the first back
    before = x.visible_windows()
    run.click(center(layout.menu("Load")))
    x.wait_new_window(before, "the Load menu to open")
    x.key("Down", "Return")
    chooser = x.wait_window("^Open saved Color Assignment$")
    run.shot("load-dialog")
    x.type(saved)
    x.key("Return")
    log.expect("loadColorAssignment<%s>" % saved)
    wait_for(lambda: not x.find_windows("^Open saved Color Assignment$") or None,
             "the file dialog to close", timeout=15)
    del chooser
    image = run.shot("loaded", until=lambda image: count_near(
        image, tcp, colour) > tcp[2] * tcp[3] // 4)
    checks.check(count_near(image, tcp, colour) > tcp[2] * tcp[3] // 4,
                 "loading brings back the saved Tcp colour %r" % (colour,))

    checks.begin("full session: the one-time load button")
    # The save left a button beside "Save" that applies that file once.
    layout = run.relayout("click:toolButton_save")
    buttons = layout.load_buttons()
    checks.check(len(buttons) == 1, "one load button after one save: %r" % buttons)
    image = x.capture()
    entries = [(center(p["rect"]), image.pixel(*center(p["rect"]))) for p in layout.palette()]
    entries = [(point, c) for point, c in entries if not is_grey(c) and c != colour]
    if buttons and entries:
        third = entries[0][1]
        x.drag(entries[0][0], center(tcp))
        log.expect("assignColor<1>")
        log.expect("deleteColor<1>")
        image = run.shot("tcp-third-colour", until=lambda image: count_near(
            image, tcp, third) > tcp[2] * tcp[3] // 4)
        checks.check(count_near(image, tcp, third) > tcp[2] * tcp[3] // 4,
                     "the Tcp row shows the third colour %r" % (third,))
        tcp_colours += [third, colour]  # then the load button brings the first back
        run.click(center(buttons[0]))
        try:
            wait_for(lambda: count_near(x.capture(), tcp, colour) > tcp[2] * tcp[3] // 4,
                     "the load button to bring back the saved Tcp colour", timeout=15)
        except DriverError as error:
            checks.check(False, str(error))
        # Where the button was, the dock looks as it did before any save.
        run.probe.run(run.steps[:-1])
        unsaved = run.probe.last_picture()
        try:
            wait_for(lambda: similarity(x.capture(), unsaved, buttons[0]) >= 0.95,
                     "the load button to go away after its one use", timeout=15)
        except DriverError as error:
            checks.check(False, str(error))
        run.shot("load-button-used")
        log.expect_nothing_new("pressing a load button")

    checks.begin("full session: answer and complete the tasks")
    # The participant looks at the code right before and right after leaving
    # the first task page, which the viewer does not log: the report cannot
    # tell when the page changed between these two records, and says so.
    layout = run.relayout()
    history = "/src/chat/history/HistoryLog.java"
    tabs = [t["title"] for t in layout.tabs()]
    checks.check(tabs == ["Server.java", "HistoryLog.java"],
                 "Server.java and HistoryLog.java are open: %r" % tabs)
    run.click(center(layout.tab("Server.java")["rect"]))
    log.expect("selectionChanged", task="task0", file=server)
    run.turn_page(account)  # leaving the first task page is not logged
    run.click(center(layout.tab("HistoryLog.java")["rect"]))
    log.expect("selectionChanged", task="task1", file=history)
    boxes = run.answer_boxes(run.boxes_per_page[1])
    run.answer(boxes, FULL_ANSWERS[2:4])
    run.shot("task2-answered")
    run.turn_page(account)
    log.expect("taskCompleted", task="task1")
    boxes = run.answer_boxes(run.boxes_per_page[2])
    run.answer(boxes, FULL_ANSWERS[4:7])
    run.shot("task3-answered")
    run.turn_page(account)
    log.expect("taskCompleted", task="task2")
    try:
        wait_for(lambda: not x.find_windows("^Fragebogen$") or None,
                 "the questionnaire to close after the last task", timeout=15)
    except DriverError as error:
        checks.check(False, str(error))
    run.shot("finished")
    # After the last task nothing more is logged. Switching the explorer logs
    # in the same step that shows the other tree, so once the feature view is
    # on the screen its entry would be on disk.
    layout = run.relayout()
    pages = layout.widget("stackedWidget")
    shown = x.capture()
    run.click(center(layout.widget("radioButton_features")))
    try:
        wait_for(lambda: similarity(x.capture(), shown, pages) < 0.95,
                 "the explorer to show the feature view", timeout=15)
    except DriverError as error:
        checks.check(False, str(error))
    log.expect_nothing_new("an action after the questionnaire was finished")
    # Shown again from the menu, the finished questionnaire is read-only:
    # stray keys and its (hidden) button change nothing on disk.
    answers_before = os.stat(run.answers_path(account)).st_mtime_ns
    run.open_questionnaire()
    x.type("stray keys")
    x.key("Return")
    run.shot("finished-shown-again")
    time.sleep(1)
    checks.check(os.stat(run.answers_path(account)).st_mtime_ns == answers_before,
                 "the answers file is not written after \"Fertig!\"")
    log.expect_nothing_new("keys typed into the finished questionnaire")
    run.viewer.stop()

    checks.begin("full session: files on disk")
    with open(run.log_path(account), "rb") as f:
        records, problems = logfile.parse(f.read())
    for problem in problems + logfile.timestamp_problems(records) \
            + logfile.line_range_problems(records, run.lines):
        checks.check(False, problem)
    checks.check(len(records) >= 20, "the log holds the whole session (%d records)"
                 % len(records))
    with open(run.answers_path(account), "rb") as f:
        answers = f.read().decode("utf-8")
    checks.check(answers == "$".join(FULL_ANSWERS) + "$\n",
                 "the answers file holds the typed answers: %r" % answers)
    check_view_file(run, account, records, tcp_colours)


def read_view_rows(path):
    """The rows of a view file as dicts, and the lines that do not read (a
    last line without a line end is cut off and left out)."""
    with open(path, "rb") as f:
        data = f.read().decode("utf-8")
    lines = data.split("\n")
    problems = []
    if lines[-1] != "":
        problems.append("cut off: %r" % lines[-1])
    rows = []
    for number, line in enumerate(lines[:-1], start=1):
        fields = next(csv.reader([line]))
        if number == 1 and fields[0] == "time":
            continue
        if len(fields) != 7:
            problems.append("line %d: %r" % (number, line))
            continue
        row = dict(zip(("time", "event", "task", "file", "first", "last", "detail"), fields))
        row["seconds"] = calendar.timegm(time.strptime(row["time"][:19], "%Y-%m-%dT%H:%M:%S")) \
            + int(row["time"][20:23]) / 1000.0
        rows.append(row)
    return rows, problems


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5)) if len(text) == 7 else None


def check_view_file(run, account, records, tcp_colours):
    """The view file beside the log: page rows at every task's start, view
    rows that follow the scrolling, colour rows for every colour change."""
    checks = run.checks
    checks.begin("full session: the view file")
    path = os.path.join(run.project, "%s_%s_view.csv" % (account, USERNAME))
    if not checks.check(os.path.exists(path), "the view file is written: %s" % path):
        return
    rows, problems = read_view_rows(path)
    checks.check(not problems, "every row of the view file reads: %r" % problems)
    seconds = [r["seconds"] for r in rows]
    checks.check(seconds == sorted(seconds), "the rows stand in the order of their times")

    # Each task's start: the sign-in opens task0; a task after the first
    # starts when the task before it was completed (seconds in the log).
    pages = [r for r in rows if r["event"] == "page"]
    checks.check([(p["task"], p["detail"]) for p in pages]
                 == [("task0", "1"), ("task1", "2"), ("task2", "3")],
                 "one page row per task page, with its task: %r" % pages)
    sign_in = [r for r in records if r.task == "code"]
    completed = {r.task: r.now for r in records if r.action == "taskCompleted"}
    starts = {"task0": sign_in[0].now if sign_in else None, "task2": completed.get("task1")}
    for page in pages:
        logged = starts.get(page["task"])
        if logged is not None:
            # The page is shown right after the log record is written.
            checks.check(logged <= int(page["seconds"]) <= logged + 1,
                         "%s starts when the log says (%s, %d)" % (page["task"], page["time"],
                                                                   logged))

    # The scroll in Server.java shows as a view row further down the file.
    server = [r for r in rows if r["event"] == "view" and r["file"] == "/src/chat/server/Server.java"]
    checks.check(server and server[0]["first"] == "1", "Server.java is first seen from line 1: %r"
                 % server[:1])
    checks.check(any(int(r["first"]) > 1 for r in server),
                 "a view row follows the scroll down Server.java: %r" % server)
    checks.check(all(1 <= int(r["first"]) <= int(r["last"]) <= run.lines[r["file"]]
                     for r in rows if r["event"] == "view" and r["file"]),
                 "view rows name lines of their files")

    # Colour rows name every feature whose colour changed, with the colour.
    colour_rows = [r["detail"].rpartition("=") for r in rows if r["event"] == "colour"]
    checks.check({name for name, _, _ in colour_rows} == {"Tcp", "History", "Spamfilter"},
                 "colour rows name the features coloured in the run: %r" % colour_rows)
    for name in ("History", "Spamfilter"):
        checks.check(any(n == name and hex_colour(c) for n, _, c in colour_rows),
                     "%s's automatic colour is recorded" % name)
    tcp = [hex_colour(c) for n, _, c in colour_rows if n == "Tcp" and c]
    checks.check(len(tcp) == len(tcp_colours)
                 and all(colour_distance(a, b) <= 2 for a, b in zip(tcp, tcp_colours)),
                 "Tcp's colours in the view file are those on the screen: %r, %r"
                 % (tcp, tcp_colours))
    checks.check(any(r["event"] == "opacity" and r["detail"] == "0" for r in rows)
                 and any(r["event"] == "opacity" and r["detail"] == "255" for r in rows),
                 "the opacity rows follow the slider to 0 and to 255")
    checks.check(any(r["event"] == "search" and r["detail"] == "project:History" for r in rows),
                 "the project search is recorded")


def hue_like(pixel, colour):
    """pixel lies between white and colour (a band mixed with white)."""
    # Channels of the colour that are strongest stay strongest after mixing.
    order = sorted(range(3), key=lambda i: colour[i])
    return pixel[order[2]] >= pixel[order[0]] + 8 and all(
        colour[i] - 6 <= pixel[i] for i in range(3))


def check_saved_assignment(checks, path, tcp_colour):
    if not os.path.exists(path):
        return
    with open(path, "rb") as f:
        data = f.read()
    checks.check(data.startswith(b"<!DOCTYPE savedColorAssignment>"),
                 "the saved assignment starts with its document type: %r" % data[:40])
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as error:
        checks.check(False, "the saved assignment does not parse: %s" % error)
        return
    checks.check(root.tag == "savedColorAssignment", "root element is savedColorAssignment")
    children = list(root)
    checks.check([c.tag for c in children] == ["FCPList", "colorArray"],
                 "the saved assignment holds FCPList and colorArray")
    if len(children) != 2:
        return
    pairs = {c.get("feature"): c for c in children[0]}
    with open(os.path.join(os.path.dirname(os.path.dirname(path)), "model.m")) as f:
        leaves = leaf_features(f.read())
    checks.check(list(pairs) == leaves, "one pair per feature, in model order: %r"
                 % list(pairs))
    tcp = pairs.get("Tcp")
    if tcp is not None:
        rgb = tuple(int(tcp.get(k, "-1")) for k in "rgb")
        checks.check(rgb == tuple(tcp_colour) and tcp.get("isCustom") == "0",
                     "Tcp is saved with the colour on screen %r: %r" % (tcp_colour, rgb))
    uncoloured = [name for name, c in pairs.items() if name not in ("Tcp", "History",
                                                                    "Spamfilter")]
    checks.check(all(pairs[n].get("isCustom") == "2" for n in uncoloured),
                 "features without colour are saved with isCustom 2")
    checks.check(len(children[1]) > 0 and all(c.tag == "color" for c in children[1]),
                 "the palette is saved")


def leaf_features(model):
    """Leaf features of a model.m text, in tree order."""
    children = {}
    order = []
    for statement in model.replace("[", "").replace("]", "").split(";"):
        if ":" not in statement:
            continue
        head, body = statement.split(":", 1)
        names = [n.strip() for n in body.split("|") if n.strip()]
        children[head.strip()] = names
        if not order:
            order.append(head.strip())

    def walk(name):
        if name in children:
            return [leaf for child in children[name] for leaf in walk(child)]
        return [name]
    return walk(order[0]) if order else []


# A typed "$" must come back into its own box after the kill and resume,
# though the answers file separates answers by "$".
RESUME_ANSWERS = ["Authenticator.java und Teile von Server.java", "showHistory$ (Server)",
                  "Zeile 30", "Caesar"]
RESUME_LATER = ["ReverseCipher.java", "Ciphers", "keine"]


def stored_answers(answers):
    """The answers file for these boxes: a typed "$" stored as \\x24, a
    backslash doubled, every answer followed by "$", then a line end."""
    return "".join(a.replace("\\", "\\\\").replace("$", "\\x24") + "$"
                   for a in answers) + "\n"


def run_interrupted_session(run):
    checks = run.checks
    x = run.x
    account = "ben"

    checks.begin("interrupted session: work until the kill")
    run.start_viewer()
    run.open_questionnaire()
    run.sign_in(account)
    log = LogWatch(run.log_path(account), checks, run.lines)
    log.expect("code", task="code")
    run.answer(run.answer_boxes(run.boxes_per_page[0]), RESUME_ANSWERS[0:2])
    run.turn_page(account)
    run.answer(run.answer_boxes(run.boxes_per_page[1]), RESUME_ANSWERS[2:4])
    run.turn_page(account)
    log.expect("taskCompleted", task="task1")
    run.double_click(center(run.layout.row("package", "chat/tools/caesar.h")))
    log.expect("fileOpened", task="task2", file="/tools/caesar.h")
    # Typed but not yet saved when the process dies.
    run.answer(run.answer_boxes(run.boxes_per_page[2])[:1], ["lost with the crash"])
    run.shot("before-kill")
    run.viewer.kill()
    with open(run.log_path(account), "rb") as f:
        before = f.read()
    records, problems = logfile.parse(before)
    for problem in problems + logfile.timestamp_problems(records):
        checks.check(False, "log after the kill: " + problem)
    checks.check(bool(records) and records[-1].action == "fileOpened",
                 "the last record before the kill is the opened file: %r" % records[-1:])
    with open(run.answers_path(account), "rb") as f:
        checks.check(f.read().decode("utf-8") == stored_answers(RESUME_ANSWERS + [""] * 3),
                     "the answers of the finished pages were on disk before the kill")

    checks.begin("interrupted session: the same participant signs in again")
    run.dialog = None
    run.start_viewer()
    run.open_questionnaire()
    run.sign_in(account)
    run.shot("resumed")
    boxes = run.answer_boxes(run.boxes_per_page[2])
    checks.check(len(boxes) == run.boxes_per_page[2],
                 "the questionnaire resumes on the third task's page")
    with open(run.answers_path(account), "rb") as f:
        restored = f.read().decode("utf-8")
    checks.check(restored == stored_answers(RESUME_ANSWERS + [""] * 3),
                 "the earlier answers are restored into their boxes: %r" % restored)

    checks.begin("interrupted session: the questionnaire comes back from the menu")
    # After a resume the dialog no longer stays on top; a click on the window
    # (here: raising it, as a window manager does) hides it behind.
    x.run("xdotool", "windowraise", str(run.viewer.window))
    try:
        wait_for(lambda: white_boxes(x.capture(), run.dialog_rect()) != boxes or None,
                 "the window to cover the questionnaire", timeout=15)
    except DriverError as error:
        checks.check(False, str(error))
    run.shot("questionnaire-hidden")
    run.open_questionnaire()
    checks.check(run.answer_boxes(run.boxes_per_page[2]) == boxes,
                 "\"show Questions Dialog\" brings the questionnaire to the front")
    run.shot("questionnaire-back")
    # The keyboard is in the page's first answer box: typed without a click.
    if run.wait_keyboard(run.dialog, "the questionnaire shown again from the menu"):
        x.type(RESUME_LATER[0])
    run.answer(boxes[1:], RESUME_LATER[1:])
    run.turn_page(account)
    log.seen = len(records)
    log.expect("taskCompleted", task="task2")
    run.shot("resumed-finished")
    run.viewer.stop()

    with open(run.log_path(account), "rb") as f:
        after = f.read()
    checks.check(after.startswith(before), "the log before the kill is kept unchanged")
    new_records, problems = logfile.parse(after[len(before):])
    for problem in problems + logfile.timestamp_problems(new_records):
        checks.check(False, "log of the resumed session: " + problem)
    with open(run.answers_path(account), "rb") as f:
        final = f.read().decode("utf-8")
    checks.check(final == stored_answers(RESUME_ANSWERS + RESUME_LATER),
                 "the answers file holds both sessions' answers: %r" % final)


def check_report(args, checks):
    """featurehue report on the folders of the runs: its tables agree with
    what the runs did, as the logs and the typed answers show it."""
    for name, account, answers in (("full", "anna", FULL_ANSWERS),
                                   ("interrupted", "ben", RESUME_ANSWERS + RESUME_LATER)):
        project = os.path.join(args.out, name, "chat")
        log_path = os.path.join(project, "%s_%s_log.txt" % (account, USERNAME))
        if not os.path.exists(log_path):
            continue
        checks.begin("report on the %s run" % name)
        out = os.path.join(args.out, name, "report")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        result = subprocess.run([args.binary, "report", project, "--out", out], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
        if not checks.check(result.returncode == 0, "featurehue report exits with 0: %d %r"
                            % (result.returncode, result.stderr[-500:])):
            continue
        participant = "%s_%s" % (account, USERNAME)

        def table(which):
            with open(os.path.join(out, which + ".csv"), newline="", encoding="utf-8") as f:
                return [row for row in csv.DictReader(f) if row["participant"] == participant]

        # A clean run warns at most of the time the log cannot give to a task
        # (the first task page is left without a record), once; not at all
        # when the records around that page turn fall into the same second.
        warnings = table("warnings")
        checks.check(len(warnings) <= 1 and all(w["kind"] == "unattributed" for w in warnings)
                     and result.stderr.count(b": warning:") == len(warnings),
                     "the only warning is the unattributed time: %r %r"
                     % ([w["message"] for w in warnings], result.stderr))

        with open(log_path, "rb") as f:
            records, _ = logfile.parse(f.read())
        # With a view file the pages and the screen between records come
        # from its rows.
        view_path = os.path.join(project, "%s_%s_view.csv" % (account, USERNAME))
        view_rows = read_view_rows(view_path)[0] if os.path.exists(view_path) else []
        pages = [r for r in view_rows if r["event"] == "page"]
        checks.check(not (view_rows and warnings),
                     "with a view file no time is unattributed: %r" % warnings)
        tasks = table("tasks")
        # Seconds on the tasks and those lost to interruptions add up to the
        # time from the first record to the last.
        spent = sum(int(t["seconds"]) + int(t["seconds_lost"]) for t in tasks)
        checks.check(records and spent == records[-1].now - records[0].now,
                     "seconds per task add up to the log's time stamps: %d != %d - %d"
                     % (spent, records[-1].now if records else 0,
                        records[0].now if records else 0))
        # A task after the first runs from one "taskCompleted" to the next.
        completed = {int(r.task[4:]): r.now for r in records if r.action == "taskCompleted"}
        # With a view file a task runs from its page row to the next page's
        # (or its own taskCompleted when it is the last), to the second.
        shown = {}
        for page in pages:
            shown.setdefault(int(page["task"][4:]), int(page["seconds"]))
        for t in tasks:
            # Tasks are numbered from 1 in the tables, from 0 in the log.
            number = int(t["task"]) - 1 if t["phase"] == "task" else -1
            if pages and number in shown and number in completed:
                checks.check(to_epoch(t["start"]) == shown[number]
                             and to_epoch(t["end"]) == shown.get(number + 1, completed[number]),
                             "task %d runs from its page row to the next page's: %s .. %s"
                             % (number, t["start"], t["end"]))
            elif not pages and number - 1 in completed and number in completed:
                checks.check(to_epoch(t["start"]) == completed[number - 1]
                             and to_epoch(t["end"]) == completed[number],
                             "task %d runs from one taskCompleted to the next: %s .. %s"
                             % (number, t["start"], t["end"]))
        events = table("events")
        checks.check(len(events) == len(records), "one event per log record: %d, %d"
                     % (len(events), len(records)))
        # Interruptions: where a record does not refer to the one before it.
        gaps = [b.now - a.now for a, b in zip(records, records[1:]) if b.previous != a.now]
        resumes = len(gaps)
        if view_rows:
            # The viewer ran until its last record or row, and the next run
            # from the page its sign-in showed (at or after the sitting's start
            # in the session file).
            with open(os.path.join(project, "%s_%s_session.json" % (account, USERNAME))) as f:
                sittings = json.load(f)["sittings"]
            moments = sorted([r.now for r in records] + [int(r["seconds"]) for r in view_rows])
            gaps = []
            for sitting in sittings[1:]:
                begun = to_epoch(sitting["start"])
                page = min(int(p["seconds"]) for p in pages if p["seconds"] >= begun)
                gaps.append(page - max(m for m in moments if m <= page and m < begun))
        checks.check(sum(int(t["seconds_lost"]) for t in tasks) == sum(gaps)
                     and sum(int(t["resumed"]) for t in tasks) == resumes,
                     "interruptions in the log (%r) are the seconds lost: %r"
                     % (gaps, [(t["task"], t["resumed"], t["seconds_lost"]) for t in tasks]))
        checks.check([a["answer"] for a in table("answers")] == answers,
                     "answers.csv holds the typed answers: %r" % [a["answer"] for a in
                                                                  table("answers")])
        # Features by the files their fragments lie in.
        files_of = {}
        root = ElementTree.parse(os.path.join(project, "annotations.xml")).getroot()

        def walk(element, path):
            for child in element:
                if child.tag == "folder":
                    walk(child, path + "/" + child.get("name"))
                elif child.tag == "file":
                    for feature in child.iter("feature"):
                        for word in re.findall(r"\w+", feature.text or ""):
                            files_of.setdefault(word, set()).add(path + "/" + child.get("name"))
        walk(root, "")
        shown = {r.file for r in records if r.file}
        unseen = {f for f, files in files_of.items() if not files & shown}
        exposure = table("exposure")
        checks.check(unseen and exposure, "some features lie only in files never opened: %r"
                     % sorted(unseen))
        for row in exposure:
            if row["feature"] in unseen:
                checks.check(row["seconds"] == "0" and row["line_seconds"] == "0",
                             "%s, whose code was never shown, has no exposure: %r"
                             % (row["feature"], row))
        # The interrupted run was killed right after its only file opened:
        # the last record of a run has no seconds.
        checks.check(any(int(row["seconds"]) > 0 for row in exposure) == (name == "full"),
                     "only the code read for a while has exposure")
        checks.check(os.path.getsize(os.path.join(out, "report.html")) > 1000
                     and os.path.getsize(os.path.join(out, "study.sqlite")) > 0,
                     "report.html and study.sqlite are written")
        check_screen(checks, records, events, table("files"), tasks, bool(view_rows))
        if name == "full":
            turns_path = os.path.join(args.out, name, "page-turns.json")
            with open(turns_path) as f:
                check_task_times(checks, json.load(f), tasks, bool(view_rows))


def check_screen(checks, records, events, files, tasks, with_view=False):
    """What events.csv says was in front: never a tab after it was closed, and
    the seconds per file add up to files.csv and to no more than each task.
    With a view file files.csv follows the screen between records too (a
    scroll, a page turn), which events.csv, a row per record, cannot: there
    every file with seconds in events.csv has its row in files.csv."""
    for record, event in zip(records, events):
        if record.action == "fileClosed":
            checks.check(event["file"] != record.file and event["logged_file"] == record.file,
                         "after %r the closed file is not in front: %r" % (record, event))
    # Files shown for no whole second may be listed in one and not the other.
    summed = {}
    for event in events:
        if event["file"] and int(event["seconds"]) > 0:
            key = (event["phase"], event["task"], event["file"])
            summed[key] = summed.get(key, 0) + int(event["seconds"])
    listed = {(f["phase"], f["task"], f["file"]): int(f["seconds"]) for f in files
              if int(f["seconds"]) > 0}
    if with_view:
        checks.check({key[2] for key in summed} <= {key[2] for key in listed},
                     "files.csv lists every file of events.csv: %r %r" % (summed, listed))
    else:
        checks.check(summed == listed, "files.csv holds the seconds of events.csv per file: "
                     "%r %r" % (summed, listed))
    for t in tasks:
        in_front = sum(s for (phase, task, _), s in listed.items()
                       if (phase, task) == (t["phase"], t["task"]))
        checks.check(in_front <= int(t["seconds"]), "files in front of %s %s for no longer "
                     "than it: %d > %s" % (t["phase"], t["task"], in_front, t["seconds"]))


def check_task_times(checks, turns, tasks, with_view=False):
    """Each task's time against the driver's own clock: the page turns it
    clicked are the truth. The log's time stamps are whole seconds, and the
    first page is left without a record, so a task took between its seconds
    and its seconds plus the unattributed seconds at its ends, give or take
    one second at each end and the time each click took to take effect."""
    if not checks.check(len(turns) == 4, "sign-in and three page turns: %r" % turns):
        return
    by_task = {int(t["task"]): t for t in tasks if t["phase"] == "task"}
    for task in (1, 2, 3):
        if not checks.check(task in by_task, "tasks.csv has task %d" % task):
            continue
        begun, ended = turns[task - 1], turns[task]
        truth = (ended[0] + ended[1]) / 2 - (begun[0] + begun[1]) / 2
        slack = 2 + (ended[1] - ended[0] + begun[1] - begun[0]) / 2
        seconds = int(by_task[task]["seconds"])
        unsure = int(by_task[task]["seconds_unattributed"])
        if with_view:
            # The page rows time every page to the millisecond: the task took
            # what the driver's clock says, within a second, and none of it
            # is unsure.
            shortest = ended[0] - begun[1]
            longest = ended[1] - begun[0]
            checks.check(unsure == 0 and shortest - 1 <= seconds <= longest + 1,
                         "task %d took %.1f to %.1f s by the driver's clock; the report gives "
                         "%d s (and %d s unattributed)" % (task, shortest, longest, seconds, unsure))
            continue
        checks.check(seconds - slack <= truth <= seconds + unsure + slack,
                     "task %d took %.1f s by the driver's clock; the report gives %d s and %d s "
                     "unattributed (slack %.1f s)" % (task, truth, seconds, unsure, slack))
    if with_view:
        return
    # The unattributed time is only the moment between the two records
    # around the unlogged page turn, not a task's worth.
    unsure = int(by_task[1]["seconds_unattributed"]) if 1 in by_task else -1
    checks.check(0 <= unsure <= 5 + turns[1][1] - turns[1][0],
                 "only the seconds around leaving the first page are unattributed: %d" % unsure)


def to_epoch(iso):
    return calendar.timegm(time.strptime(iso, "%Y-%m-%dT%H:%M:%SZ"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--binary", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--project", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--only", choices=("full", "interrupted"))
    args = parser.parse_args()

    missing = missing_tools()
    if missing:
        print("skipped: missing %s (scripts/lib/setup.sh installs them)" % ", ".join(missing))
        return 77
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    print("screenshots: %s" % os.path.join(args.out, "shots"), flush=True)

    # A time-out of ctest ends the driver with SIGTERM: leave through the
    # clean-up below so no X server or viewer is left running.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped by SIGTERM"))
    checks = Checks()
    x = XSession(args.out)
    probe_x = XSession(args.out)
    started = time.monotonic()
    try:
        x.start()
        probe_x.start()
        probe = LayoutProbe(probe_x, args.probe, args.project, os.path.join(args.out, "probe"))
        plans = [("full", run_full_session), ("interrupted", run_interrupted_session)]
        for name, plan in plans:
            if args.only and args.only != name:
                continue
            run = Run(args, x, probe, name, checks)
            try:
                plan(run)
            except DriverError as error:
                checks.check(False, "run stopped: %s" % error)
                try:
                    run.shot("stopped")
                except DriverError:
                    pass
            finally:
                if run.viewer:
                    run.viewer.stop()
                    if run.viewer.process.returncode not in (0, -signal.SIGTERM,
                                                             -signal.SIGKILL):
                        checks.check(False, "the viewer exited with status %s (see %s)"
                                     % (run.viewer.process.returncode, run.viewer.output))
        if not args.only:
            def shot(label):
                x.capture().save_png(os.path.join(args.out, "shots", "%s.png" % label))
            replaycheck.drive_window(args, x, probe_x, checks, USERNAME, shot)
    finally:
        x.stop()
        probe_x.stop()
    check_report(args, checks)
    replaycheck.check_states(args, checks, USERNAME)

    print("screenshots: %s" % os.path.join(args.out, "shots"))
    print("took %.0f s" % (time.monotonic() - started))
    for failure in checks.failures:
        print("FAILED %s" % failure)
    print("%d passed, %d failed" % (checks.passed, len(checks.failures)))
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
