"""The end-to-end runs replayed: "featurehue replay" on the folders the
participant runs left behind.

  * --print-state at the moment of every log record gives the file and the
    visible lines that the record itself logged;
  * with a view file, a feature's colour is there from the moment its colour
    row says and not before, and gone after a removal;
  * a replay driven through every control of its bar, and through the
    window's own buttons, tabs and trees, in a real window under a window
    manager, leaves the study folder byte for byte as it was.
"""

import calendar
import csv
import datetime
import hashlib
import json
import os
import shutil
import signal
import subprocess
import time

import logfile
from layout import Layout, LayoutProbe, center, similarity
from xsession import SCREEN_HEIGHT, SCREEN_WIDTH, DriverError, wait_for

RUNS = (("full", "anna"), ("interrupted", "ben"))


def folder_checksums(folder):
    """Every file under folder with the SHA-256 of its bytes."""
    sums = {}
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                sums[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    return sums


def client_geometry(x, window):
    """Where a top-level window's own area lies on the screen. Under a window
    manager that frames it, xdotool adds the frame's offset twice; xwininfo
    reports the absolute place."""
    out = x.run("xwininfo", "-id", str(window))
    values = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        values[key.strip()] = value.strip()
    return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
            int(values["Width"]), int(values["Height"]))


def participant_file(project, account, user, suffix):
    return os.path.join(project, "%s_%s%s" % (account, user, suffix))


def sitting_origin(project, account, user):
    """Second 0 of the replay: the first sitting's start in the session file;
    None without one."""
    try:
        with open(participant_file(project, account, user, "_session.json")) as f:
            sittings = json.load(f).get("sittings") or []
        return calendar.timegm(time.strptime(sittings[0]["start"], "%Y-%m-%dT%H:%M:%SZ"))
    except (OSError, ValueError, KeyError, IndexError, TypeError):
        return None


def record_moments(records, origin):
    """The moment of each record in the replay, in seconds from origin: the
    log stamps whole seconds, and the records of one second share it evenly
    in their order (the k-th of n at k/n s, in whole milliseconds)."""
    moments = []
    i = 0
    while i < len(records):
        j = i
        while j < len(records) and records[j].now == records[i].now:
            j += 1
        for k in range(i, j):
            moments.append(records[i].now - origin + ((k - i) * 1000 // (j - i)) / 1000)
        i = j
    return moments


def print_state(binary, project, account, user, at):
    """The state --print-state gives at second at, or None and the reason."""
    result = subprocess.run([binary, "replay", project, account, "--user", user,
                             "--at", "%.3f" % at, "--print-state"],
                            env=dict(os.environ, LC_ALL="C.UTF-8"), capture_output=True,
                            timeout=120)
    if result.returncode != 0:
        return None, "exit %d: %r" % (result.returncode, result.stderr[-300:])
    try:
        return json.loads(result.stdout), ""
    except ValueError as error:
        return None, "not JSON (%s): %r" % (error, result.stdout[:300])


def check_states(args, checks, user):
    for name, account in RUNS:
        project = os.path.join(args.out, name, "chat")
        log_path = participant_file(project, account, user, "_log.txt")
        if not os.path.exists(log_path):
            continue
        checks.begin("replay of the %s run: the state at every record" % name)
        before = folder_checksums(project)
        with open(log_path, "rb") as f:
            records, _ = logfile.parse(f.read())
        origin = sitting_origin(project, account, user)
        if origin is None:
            origin = records[0].now
        wrong = []
        for record, at in zip(records, record_moments(records, origin)):
            state, error = print_state(args.binary, project, account, user, at)
            if state is None:
                wrong.append("%r: %s" % (record, error))
                continue
            seen = (state.get("file"), state.get("first"), state.get("last"))
            logged = (record.file or None, record.start, record.end)
            if seen != logged:
                wrong.append("%r at %.3f s shows %r" % (record, at, seen))
        checks.check(records and not wrong,
                     "--print-state at each of the %d records gives the file and lines it "
                     "logged: %s" % (len(records), wrong[:5]))
        gave_colours = any("olor" in (record.action or "") for record in records)
        check_colours(args, checks, project, account, user, origin, gave_colours)
        checks.check(folder_checksums(project) == before,
                     "printing the states wrote nothing into the folder")


def view_time(text):
    moment = datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%S.%fZ")
    return calendar.timegm(moment.timetuple()) + moment.microsecond / 1e6


def check_colours(args, checks, project, account, user, origin, gave_colours):
    """A feature's first colour row: not before it, the colour after it; a
    removal row: gone after it."""
    path = participant_file(project, account, user, "_view.csv")
    if not os.path.exists(path):
        print("   no view file: the viewer writes none yet, so the colours wait for it",
              flush=True)
        return
    with open(path, newline="", encoding="utf-8") as f:
        rows = [r for r in csv.DictReader(f) if r.get("event") == "colour"]
    if gave_colours:
        checks.check(rows, "the view file of a run that gave colours holds colour rows")
    else:
        checks.check(not rows, "the view file of a run that gave no colours holds none")
    seen = set()
    for index, row in enumerate(rows):
        feature, _, colour = row["detail"].rpartition("=")
        if colour and feature in seen:
            continue
        # Loading a saved assignment takes a colour away and gives the new
        # one in the same millisecond: the state of that moment has the new.
        if not colour and any(later["time"] == row["time"]
                              and later["detail"].startswith(feature + "=")
                              for later in rows[index + 1:]):
            continue
        at = round(view_time(row["time"]) - origin, 3)
        after, error = print_state(args.binary, project, account, user, at)
        before, _ = print_state(args.binary, project, account, user, at - 0.001)
        if after is None or before is None:
            checks.check(False, "no state around %r: %s" % (row, error))
            continue
        if colour:
            seen.add(feature)
            checks.check((after["colours"] or {}).get(feature) == colour.lower()
                         and feature not in (before["colours"] or {}),
                         "%s has %s from %.3f s on and not before: %r, %r"
                         % (feature, colour, at, before["colours"], after["colours"]))
        else:
            checks.check(feature not in (after["colours"] or {}),
                         "%s has no colour after its removal at %.3f s: %r"
                         % (feature, at, after["colours"]))


class ReplayWindow:
    """featurehue replay in a window on the driver's X server, under openbox
    when it is installed (without it the driver places the window itself)."""

    def __init__(self, args, x, probe_x, project, account, user):
        self.args = args
        self.x = x
        self.project = project
        self.account = account
        self.user = user
        self.workdir = os.path.join(args.out, "replay")
        os.makedirs(self.workdir, exist_ok=True)
        self.probe = LayoutProbe(probe_x, args.probe, project, os.path.join(self.workdir, "probe"))
        self.wm = None
        self.process = None
        self.window = None
        self.geometry = None
        self.steps = []

    def start(self):
        if shutil.which("openbox"):
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.x.env(),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(1.0)
        runtime = os.path.join(self.workdir, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = self.x.env(QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8", XDG_RUNTIME_DIR=runtime)
        env.pop("QT_SCALE_FACTOR", None)
        self.process = subprocess.Popen(
            [self.args.binary, "replay", self.project, self.account, "--user", self.user],
            env=env, stdout=open(os.path.join(self.workdir, "replay.out"), "wb"),
            stderr=subprocess.STDOUT)
        self.window = self.x.wait_window("^featurehue replay")
        if self.wm is None:
            self.x.place_window(self.window, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT)
        else:
            # Maximised by the window manager, below its title bar.
            def maximised():
                x0, y0, width, height = client_geometry(self.x, self.window)
                return (width >= SCREEN_WIDTH - 20 and y0 + height <= SCREEN_HEIGHT
                        and height >= SCREEN_HEIGHT - 100)
            wait_for(maximised, "openbox to maximise the replay window", timeout=30)
        time.sleep(0.5)
        self.geometry = client_geometry(self.x, self.window)
        _, _, width, height = self.geometry
        self.steps = ["replay:%s:%s" % (self.account, self.user), "size:%d:%d" % (width, height)]
        return self.layout()

    def layout(self, *more):
        data = self.probe.run(self.steps + list(more))
        return Layout(data, {"MainWindow": self.geometry[:2]})

    def screen(self):
        return self.x.capture().crop(self.geometry)

    def agreement(self, *more):
        """How much of the window looks as the probe lays it out after the steps."""
        self.probe.run(self.steps + list(more))
        picture = self.probe.last_picture()
        self.x.move(self.geometry[0] + 5, self.geometry[1] + self.geometry[3] - 5)
        _, _, width, height = self.geometry
        return similarity(self.screen(), picture, (0, 0, width, height))

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.wm and self.wm.poll() is None:
            self.wm.terminate()
            self.wm.wait(timeout=10)


def drive_window(args, x, probe_x, checks, user, shot):
    """Every control of the replay bar and the window's own ones; the folder
    stays as it was."""
    project = os.path.join(args.out, "full", "chat")
    if not os.path.exists(participant_file(project, "anna", user, "_log.txt")):
        return
    checks.begin("replay in a window: every control, and the folder as it was")
    before = folder_checksums(project)
    replay = ReplayWindow(args, x, probe_x, project, "anna", user)
    try:
        layout = replay.start()
        agreement = []

        def agrees(*more):
            agreement.append(replay.agreement(*more))
            return agreement[-1] >= 0.97

        try:
            wait_for(lambda: agrees(), "the replay window to look as the probe lays it out",
                     timeout=20)
        except DriverError:
            pass
        shot("replay-start")
        if not checks.check(agreement and agreement[-1] >= 0.97,
                            "the replay window looks as the probe lays it out (%.3f)"
                            % agreement[-1]):
            raise DriverError("the layout probe does not match the replay window")
        drive_bar(replay, layout, checks, shot)
        drive_window_controls(replay, checks, shot)
    except DriverError as error:
        checks.check(False, "replay drive stopped: %s" % error)
    finally:
        replay.stop()
    checks.check(folder_checksums(project) == before,
                 "the study folder is byte for byte as it was before the replay")


def drive_bar(replay, layout, checks, shot):
    x = replay.x
    ticks = layout.data["replay"]["ticks"]

    def step_and_compare(button, tick, what):
        x.click(*center(layout.widget(button)))
        try:
            wait_for(lambda: replay.agreement("seek:%d" % ticks[tick]["ms"]) >= 0.97 or None,
                     what, timeout=20)
            ok = True
        except DriverError:
            ok = False
        checks.check(ok, "%s shows record %d as the probe does" % (what, tick))

    for tick in range(1, min(6, len(ticks))):
        step_and_compare("toolButton_next", tick, "\"next record\" %d" % tick)
    shot("replay-stepped")
    if len(ticks) > 2:
        step_and_compare("toolButton_previous", min(5, len(ticks) - 1) - 1, "\"previous record\"")

    # A click on the timeline just right of a record's tick shows that record.
    target = len(ticks) // 2
    strip = layout.widget("replayTimeline")
    x.click(ticks[target]["x"] + replay.geometry[0] + 1, strip[1] + strip[3] - 4)
    try:
        wait_for(lambda: replay.agreement("seek:%d" % ticks[target]["ms"]) >= 0.97 or None,
                 "the timeline click", timeout=20)
        ok = True
    except DriverError:
        ok = False
    checks.check(ok, "a click on the timeline shows record %d as the probe does" % target)
    shot("replay-timeline")

    # The speed and the task lists open, take a choice and close.
    for combo, keys in (("comboBox_speed", ("End", "Return")),
                        ("comboBox_task", ("End", "Return"))):
        before = x.visible_windows()
        x.click(*center(layout.widget(combo)))
        x.wait_new_window(before, "the list of %s to open" % combo)
        x.key(*keys)
        wait_for(lambda: not (x.visible_windows() - before) or None,
                 "the list of %s to close" % combo, timeout=15)
    moved = replay.screen()
    # Played at 32x, two seconds move the replay a minute on.
    x.click(*center(layout.widget("toolButton_play")))
    time.sleep(2.0)
    x.click(*center(layout.widget("toolButton_play")))
    played = replay.screen()
    checks.check(similarity(moved, played, (0, 0, replay.geometry[2], replay.geometry[3]))
                 < 0.999, "playing moved the replay on")
    shot("replay-played")


def drive_window_controls(replay, checks, shot):
    """What a researcher may click besides the bar: the explorer, a file row,
    a tab's close button, then the window's close."""
    x = replay.x
    layout = replay.layout()
    x.click(*center(layout.widget("radioButton_features")))
    x.click(*center(layout.widget("radioButton_packages")))
    rows = [r for r in layout.data["trees"].get("package", []) if r["children"] == 0]
    if rows:
        x.double_click(*center(layout._main(rows[0]["rect"])))
    tabs = layout.tabs()
    if tabs and "close" in tabs[0]:
        x.click(*center(layout._main(tabs[0]["close"])))
    shot("replay-clicked")
    x.run("xdotool", "windowactivate", "--sync", str(replay.window), check=False)
    if replay.wm is not None:
        x.key("alt+F4")
    else:
        replay.process.send_signal(signal.SIGTERM)
    try:
        replay.process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        pass
    checks.check(replay.process.returncode == 0 or replay.wm is None,
                 "the replay window closes and the program ends with 0 (%r)"
                 % replay.process.returncode)
