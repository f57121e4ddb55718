"""An X server of our own and the outside tools that act on it.

Xvfb picks a free display number itself (-displayfd). Input goes through
xdotool (XTEST events, the same path a real keyboard and mouse take), screen
contents come from ImageMagick's import.
"""

import os
import shutil
import struct
import subprocess
import time
import zlib

SCREEN_WIDTH = 1600
SCREEN_HEIGHT = 1000

REQUIRED_TOOLS = ("Xvfb", "xdotool", "import")


class DriverError(Exception):
    """The run cannot go on: the program did not reach a state it must reach."""


def missing_tools():
    return [tool for tool in REQUIRED_TOOLS if shutil.which(tool) is None]


def wait_for(condition, what, timeout=30.0, interval=0.05):
    """Polls condition until it gives a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise DriverError("gave up after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Image:
    """An RGB picture of the screen."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    @classmethod
    def from_ppm(cls, blob):
        # P6 header: magic, width, height, maximum value, one white space.
        fields = []
        pos = 0
        while len(fields) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            if blob[pos:pos + 1] == b"#":
                pos = blob.index(b"\n", pos)
                continue
            end = pos
            while not blob[end:end + 1].isspace():
                end += 1
            fields.append(blob[pos:end])
            pos = end
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise DriverError("unexpected screen capture format %r" % fields[:1])
        width, height = int(fields[1]), int(fields[2])
        data = blob[pos + 1:pos + 1 + width * height * 3]
        return cls(width, height, data)

    @classmethod
    def from_ppm_file(cls, path):
        with open(path, "rb") as f:
            return cls.from_ppm(f.read())

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def save_png(self, path):
        stride = self.width * 3
        raw = b"".join(b"\x00" + self.data[y * stride:(y + 1) * stride]
                       for y in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                    + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))

    def crop(self, rect):
        x0, y0, w, h = rect
        stride = self.width * 3
        rows = [self.data[y * stride + x0 * 3:y * stride + (x0 + w) * 3]
                for y in range(y0, y0 + h)]
        return Image(w, h, b"".join(rows))

    def pixels(self, rect, step=1):
        x0, y0, w, h = rect
        for y in range(max(0, y0), min(self.height, y0 + h), step):
            for x in range(max(0, x0), min(self.width, x0 + w), step):
                yield x, y, self.pixel(x, y)


class XSession:
    """Xvfb on a free display, with helpers to send input and read the screen."""

    def __init__(self, workdir):
        self.workdir = workdir
        self.process = None
        self.display = None

    def start(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.workdir, "xvfb.log"), "wb"))
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                byte = pipe.read(1)
                if not byte:
                    break
                number += byte
        if not number.strip():
            raise DriverError("Xvfb did not start (see %s/xvfb.log)" % self.workdir)
        self.display = ":" + number.decode().strip()
        return self.display

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def env(self, **extra):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.update(extra)
        return env

    def run(self, *args, check=True):
        result = subprocess.run(list(args), env=self.env(), capture_output=True, text=True,
                                timeout=60)
        if check and result.returncode != 0:
            raise DriverError("%s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    # Windows -------------------------------------------------------------

    def find_windows(self, name):
        out = self.run("xdotool", "search", "--onlyvisible", "--name", name, check=False)
        return [int(w) for w in out.split()]

    def visible_windows(self):
        out = self.run("xdotool", "search", "--onlyvisible", "--name", "", check=False)
        return set(int(w) for w in out.split())

    def wait_new_window(self, before, what, timeout=30):
        """Waits for a visible window that is not in before (a menu, a dialog)."""
        return wait_for(lambda: sorted(self.visible_windows() - before), what,
                        timeout=timeout)[-1]

    def window_geometry(self, window):
        out = self.run("xdotool", "getwindowgeometry", "--shell", str(window))
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))

    def wait_window(self, name, timeout=60):
        windows = wait_for(lambda: self.find_windows(name), "a window named %s" % name,
                           timeout=timeout)
        return windows[-1]

    def place_window(self, window, x, y, width=None, height=None):
        """What a window manager does: move (and resize) a top-level window."""
        self.run("xdotool", "windowmove", str(window), str(x), str(y))
        if width is not None:
            self.run("xdotool", "windowsize", str(window), str(width), str(height))
        wanted = (x, y, width, height)
        wait_for(lambda: all(a == b for a, b in zip(self.window_geometry(window), wanted)
                             if b is not None),
                 "window %d to reach %r" % (window, wanted), timeout=20)

    # Input ---------------------------------------------------------------

    def move(self, x, y):
        self.run("xdotool", "mousemove", "--sync", str(int(x)), str(int(y)))

    def click(self, x, y, button=1, repeat=1, modifiers=None):
        self.move(x, y)
        if modifiers:
            self.run("xdotool", "keydown", modifiers)
        self.run("xdotool", "click", "--repeat", str(repeat), "--delay", "60", str(button))
        if modifiers:
            self.run("xdotool", "keyup", modifiers)

    def double_click(self, x, y):
        self.click(x, y, repeat=2)

    def drag(self, start, end, steps=12):
        """Presses at start, moves in small steps (as a hand does) and releases
        at end. True when a drag-and-drop picture was on the screen."""
        self.move(*start)
        before = self.visible_windows()
        self.run("xdotool", "mousedown", "1")
        (x0, y0), (x1, y1) = start, end
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps)
            time.sleep(0.03)
        # A few more motions at the target let the drop target settle.
        self.move(x1 + 1, y1)
        self.move(x1, y1)
        # While a drag runs, its picture follows the pointer in a window of
        # its own; a slider or a selection makes none.
        new_windows = self.visible_windows() - before
        self.run("xdotool", "mouseup", "1")
        return bool(new_windows)

    def key(self, *keys):
        self.run("xdotool", "key", "--delay", "40", *keys)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "25", text)

    # Screen --------------------------------------------------------------

    def capture(self):
        result = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"],
                                env=self.env(), capture_output=True, timeout=60)
        if result.returncode != 0:
            raise DriverError("import failed: %s" % result.stderr.decode(errors="replace"))
        return Image.from_ppm(result.stdout)
