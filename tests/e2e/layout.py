"""Where the viewer's widgets are on the screen, as the layout probe reports."""

import json
import os
import shutil
import subprocess

from xsession import DriverError, Image


def center(rect):
    x, y, w, h = rect
    return (x + w // 2, y + h // 2)


def contains(rect, point):
    x, y, w, h = rect
    return x <= point[0] < x + w and y <= point[1] < y + h


def similarity(image, other, rect, hole=None, step=3, tolerance=24):
    """Share of sampled pixels in rect (screen coordinates, the same in both
    pictures) that agree; pixels inside hole (a window on top) are skipped."""
    same = total = 0
    x0, y0, w, h = rect
    for y in range(max(0, y0), min(image.height, other.height, y0 + h), step):
        for x in range(max(0, x0), min(image.width, other.width, x0 + w), step):
            if hole and contains(hole, (x, y)):
                continue
            total += 1
            a, b = image.pixel(x, y), other.pixel(x, y)
            if max(abs(p - q) for p, q in zip(a, b)) <= tolerance:
                same += 1
    return same / total if total else 0.0


class LayoutProbe:
    """Runs the probe on its own X server, one fresh project copy per call."""

    def __init__(self, x, binary, project, workdir):
        self.x = x
        self.binary = binary
        self.project = project
        self.workdir = workdir
        self.calls = 0
        self.cache = {}
        self.last = None
        os.makedirs(workdir, exist_ok=True)

    def run(self, steps):
        key = tuple(steps)
        if key in self.cache:
            self.last = self.cache[key]
            return self.last[0]
        self.calls += 1
        base = os.path.join(self.workdir, "probe%02d" % self.calls)
        copy = base + "-project"
        shutil.rmtree(copy, ignore_errors=True)
        shutil.copytree(self.project, os.path.join(copy, "chat"))
        runtime = os.path.join(self.workdir, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = self.x.env(QT_QPA_PLATFORM="xcb", USERNAME="probe", LC_ALL="C.UTF-8",
                         XDG_RUNTIME_DIR=runtime)
        result = subprocess.run([self.binary, os.path.join(copy, "chat"), base + ".json"]
                                + list(steps), env=env, capture_output=True, text=True,
                                timeout=120)
        if result.returncode != 0:
            raise DriverError("layout probe failed for %r: %s" % (steps, result.stderr[-2000:]))
        with open(base + ".json") as f:
            data = json.load(f)
        self.last = (data, base + ".ppm")
        self.cache[key] = self.last
        return data

    def last_picture(self):
        return Image.from_ppm_file(self.last[1])


class Layout:
    """The probe's report mapped onto the viewer's windows on the screen."""

    def __init__(self, data, origins):
        self.data = data
        self.origins = origins

    def _screen(self, window, rect):
        if window not in self.origins:
            raise DriverError("no window %s on the screen for %r" % (window, rect))
        ox, oy = self.origins[window]
        return (rect[0] + ox, rect[1] + oy, rect[2], rect[3])

    def _main(self, rect):
        return self._screen("MainWindow", rect)

    def widget(self, name):
        entry = self.data["widgets"].get(name)
        if entry is None:
            raise DriverError("the probe does not see a visible widget %s" % name)
        return self._screen(entry["window"], entry["rect"])

    def checked(self, name):
        return bool(self.data["widgets"].get(name, {}).get("checked"))

    def row(self, tree, path):
        for row in self.data["trees"].get(tree, []):
            if row["path"] == path:
                return self._main(row["rect"])
        raise DriverError("no visible row %s in the %s tree" % (path, tree))

    def tabs(self):
        return self.data["tabs"]

    def tab(self, title):
        for tab in self.data["tabs"]:
            if tab["title"] == title:
                result = {"title": title, "rect": self._main(tab["rect"])}
                if "close" in tab:
                    result["close"] = self._main(tab["close"])
                return result
        raise DriverError("no tab %s" % title)

    def palette(self):
        return [{"row": p["row"], "rect": self._main(p["rect"])} for p in self.data["palette"]]

    def list_rows(self, name):
        rows = self.data["lists"].get(name, [])
        window = self.data["widgets"].get(name, {}).get("window", "MainWindow")
        return [{"row": r["row"], "text": r["text"], "rect": self._screen(window, r["rect"])}
                for r in rows]

    def menu(self, text):
        for menu in self.data["menus"]:
            if menu["text"] == text:
                return self._main(menu["rect"])
        raise DriverError("no menu %s" % text)

    def slider(self):
        s = self.data["slider"]
        return {"handle": self._main(s["handle"]), "groove": self._main(s["groove"]),
                "value": s["value"]}

    def slider_handle(self, value):
        """Centre of the opacity slider's handle when the slider shows value."""
        s = self.data["slider"]
        hx, hy, hw, hh = self._main(s["handle"])
        span = s["maximum"] - s["minimum"]
        x = hx + hw // 2 + round((value - s["value"]) * s["span"] / span)
        return (x, hy + hh // 2)

    def code_view(self):
        entry = self.data.get("codeView")
        if entry is None:
            raise DriverError("the probe shows no code view")
        return self._screen(entry["window"], entry["rect"])

    def load_buttons(self):
        return [self._main(r) for r in self.data["loadButtons"]]
