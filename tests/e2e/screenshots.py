#!/usr/bin/env python3
"""Makes the README's screenshots from the example project.

The viewer runs in an X server of its own and is driven like in the
end-to-end run: a participant signs in, a saved colour assignment is loaded
through the "Load" menu, Server.java is opened, the explorer shows the feature
view. The pictures go to OUT (docs/screenshots).
"""

import argparse
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from layout import LayoutProbe, center  # noqa: E402
from run_e2e import Checks, Run  # noqa: E402
from xsession import (SCREEN_HEIGHT, SCREEN_WIDTH, DriverError, XSession,  # noqa: E402
                      missing_tools, wait_for)

# Colours for the features of examples/chat, in the order of model.m's leaves
# (None: no colour). Light enough to keep the code readable behind them.
FEATURE_COLOURS = [
    None,              # Base
    (255, 85, 85),     # Tcp
    (85, 170, 255),    # Local
    (255, 187, 85),    # Caesar
    None,              # Reverse
    (170, 102, 255),   # Authentication
    (85, 221, 119),    # History
    None,              # Color
    (255, 102, 204),   # Spamfilter
    None,              # Emoticons
]
FEATURE_NAMES = ["Base", "Tcp", "Local", "Caesar", "Reverse", "Authentication", "History",
                 "Color", "Spamfilter", "Emoticons"]
PALETTE = [(255, 85, 85), (255, 187, 85), (221, 255, 85), (85, 221, 119), (85, 170, 255),
           (170, 102, 255), (255, 102, 204), (85, 255, 238)]


def assignment_xml():
    """A saved colour assignment in the viewer's own file format."""
    pad = " " * 10
    lines = ["<!DOCTYPE savedColorAssignment>", "<savedColorAssignment>", pad + "<FCPList>"]
    for i, (name, colour) in enumerate(zip(FEATURE_NAMES, FEATURE_COLOURS)):
        r, g, b = colour or (220, 220, 220)
        lines.append('%s<color index="%d" feature="%s" r="%d" g="%d" b="%d" isCustom="%d"/>'
                     % (pad * 2, i, name, r, g, b, 0 if colour else 2))
    lines.append(pad + "</FCPList>")
    lines.append(pad + "<colorArray>")
    for i, (r, g, b) in enumerate(PALETTE):
        lines.append('%s<color index="%d" r="%d" g="%d" b="%d" isCustom="0"/>'
                     % (pad * 2, i, r, g, b))
    lines.append(pad + "</colorArray>")
    lines.append("</savedColorAssignment>")
    return "\n".join(lines) + "\n"


def make(run, out):
    x = run.x
    run.start_viewer()
    run.open_questionnaire()
    run.sign_in("anna")
    run.answer(run.answer_boxes(run.boxes_per_page[0])[:1], ["Authenticator.java"])
    layout = run.layout

    folder = os.path.join(run.project, "savedColorAssignments")
    os.makedirs(folder, exist_ok=True)
    saved = os.path.join(folder, "chat1.txt")
    with open(saved, "w") as f:
        f.write(assignment_xml())
    before = x.visible_windows()
    run.click(center(layout.menu("Load")))
    x.wait_new_window(before, "the Load menu to open")
    x.key("Down", "Return")
    x.wait_window("^Open saved Color Assignment$")
    x.type(saved)
    x.key("Return")
    wait_for(lambda: not x.find_windows("^Open saved Color Assignment$"),
             "the file dialog to close")

    run.double_click(center(layout.row("package", "chat/src/chat")))
    layout = run.relayout("expand:package:chat/src/chat")
    run.double_click(center(layout.row("package", "chat/src/chat/server")))
    layout = run.relayout("expand:package:chat/src/chat/server")
    run.double_click(center(layout.row("package", "chat/src/chat/server/Server.java")))
    layout = run.relayout("open:chat/src/chat/server/Server.java")
    x.wait_window("^MainWindow$")

    dialog = run.dialog_rect()
    questionnaire = x.capture().crop(dialog)
    questionnaire.save_png(os.path.join(out, "questionnaire.png"))
    # The participant keeps the questionnaire aside while reading code.
    x.place_window(run.dialog_window(), SCREEN_WIDTH - dialog[2], SCREEN_HEIGHT - dialog[3])
    x.run("xdotool", "windowunmap", str(run.dialog_window()))
    x.move(SCREEN_WIDTH // 2, 45)
    x.capture().save_png(os.path.join(out, "main-window.png"))

    run.click(center(layout.widget("radioButton_features")))
    layout = run.relayout("click:radioButton_features")
    rows = layout.data["trees"].get("featureview", [])
    # Unfold the first coloured feature to show the files it is found in.
    tcp = [r for r in rows if r["path"] == "Tcp"]
    if tcp:
        run.double_click(center(layout.row("featureview", "Tcp")))
        layout = run.relayout("expand:featureview:Tcp")
        rows = layout.data["trees"].get("featureview", [])
    x.move(SCREEN_WIDTH // 2, 45)
    explorer = layout.widget("dockWidget_left")
    # Down to a little below the last row: the rest of the dock is empty.
    bottom = max([r["rect"][1] + r["rect"][3] for r in rows] or [explorer[3] // 2]) + 30
    height = min(explorer[3], bottom - layout.data["widgets"]["dockWidget_left"]["rect"][1])
    x.capture().crop((explorer[0], explorer[1], explorer[2], height)).save_png(
        os.path.join(out, "feature-view.png"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--binary", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--project", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    missing = missing_tools()
    if missing:
        print("missing %s (scripts/lib/setup.sh installs them)" % ", ".join(missing))
        return 1
    os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="featurehue-shots-")
    args_for_run = argparse.Namespace(binary=args.binary, project=args.project, out=work)
    x = XSession(work)
    probe_x = XSession(work)
    checks = Checks()
    try:
        x.start()
        probe_x.start()
        probe = LayoutProbe(probe_x, args.probe, args.project, os.path.join(work, "probe"))
        run = Run(args_for_run, x, probe, "screenshots", checks)
        try:
            make(run, args.out)
        finally:
            if run.viewer:
                run.viewer.stop()
    except DriverError as error:
        print("error: %s (work files in %s)" % (error, work))
        return 1
    finally:
        x.stop()
        probe_x.stop()
    if checks.failures:
        print("\n".join(checks.failures))
        print("work files in %s" % work)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    for name in ("main-window.png", "feature-view.png", "questionnaire.png"):
        print(os.path.join(args.out, name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
