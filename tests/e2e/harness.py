#   Quillon - diagnostics helper
#   Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

"""A small harness that drives the built program in a private X session.

It starts its own Xvfb (the display number comes back through -displayfd, so
no DISPLAY is needed from the caller) and openbox, starts Quillon with a
temporary HOME, finds its window, clicks at panel coordinates and reads pixels
of screenshots. Waiting is always a bounded poll. Every process it starts is
stopped again, also when a check fails or raises.
"""

import os
import select
import shutil
import subprocess
import tempfile
import time

PANEL_WIDTH = 580
PANEL_HEIGHT = 568


class HarnessError (Exception):
    """The X session or the program could not be brought into the state a check needs."""


def poll (condition, timeout, interval=0.02, what="condition"):
    """Calls condition() until it returns a true value, for at most timeout seconds.

    Returns that value; raises HarnessError naming `what` when time runs out.
    """
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError ("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep (interval)


def stop_process (proc, grace=3.0):
    """Ends one process we started: SIGTERM, then SIGKILL after `grace` seconds."""
    if proc is None or proc.poll() is not None:
        return
    try:
        proc.terminate()
        proc.wait (timeout=grace)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait (timeout=grace)
    except ProcessLookupError:
        pass


#==============================================================================
class Screenshot:
    """An RGB picture of the whole screen, read from a binary PPM."""

    def __init__ (self, data):
        magic, width, height, maxval, offset = Screenshot._parse_header (data)
        if magic != b"P6" or maxval != 255:
            raise HarnessError ("unexpected screenshot format %r/%d" % (magic, maxval))
        self.width = width
        self.height = height
        self.pixels = data[offset:offset + width * height * 3]
        if len (self.pixels) != width * height * 3:
            raise HarnessError ("screenshot is truncated")

    @staticmethod
    def _parse_header (data):
        fields = []
        pos = 0
        while len (fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index (b"\n", pos) + 1
                continue
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append (data[start:pos])
        return fields[0], int (fields[1]), int (fields[2]), int (fields[3]), pos + 1

    def rgb (self, x, y):
        """The colour at absolute screen coordinates as 0xRRGGBB."""
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise HarnessError ("pixel (%d, %d) is off the screen" % (x, y))
        i = (y * self.width + x) * 3
        r, g, b = self.pixels[i], self.pixels[i + 1], self.pixels[i + 2]
        return (r << 16) | (g << 8) | b


class PanelView:
    """A screenshot seen through the panel's own coordinates."""

    def __init__ (self, screenshot, origin):
        self.screenshot = screenshot
        self.origin = origin

    def rgb (self, x, y):
        if not (0 <= x < PANEL_WIDTH and 0 <= y < PANEL_HEIGHT):
            raise HarnessError ("(%d, %d) is outside the panel" % (x, y))
        return self.screenshot.rgb (self.origin[0] + x, self.origin[1] + y)

    def colours_in (self, x, y, w, h):
        """Every colour in a panel rectangle, with its count."""
        counts = {}
        for py in range (y, y + h):
            for px in range (x, x + w):
                c = self.rgb (px, py)
                counts[c] = counts.get (c, 0) + 1
        return counts


#==============================================================================
class XSession:
    """A private Xvfb with openbox on it. Use it as a context manager."""

    def __init__ (self, workdir, screen="1280x1024x24"):
        self.workdir = workdir
        self.screen = screen
        self.display = None
        self.xvfb = None
        self.openbox = None
        self.logs = []
        self.wm_home = os.path.join (workdir, "wm-home")
        os.makedirs (self.wm_home, exist_ok=True)

    def __enter__ (self):
        try:
            self._start_xvfb()
            self._start_openbox()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__ (self, *exc):
        self.close()
        return False

    def env (self, home, path_prefix=(), extra=None):
        """An environment for a process on this display with HOME set to `home`."""
        env = {k: v for k, v in os.environ.items()
               if not k.startswith ("XDG_") and k not in ("DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY")}
        env["DISPLAY"] = self.display
        env["HOME"] = home
        env["PATH"] = os.pathsep.join (list (path_prefix) + [os.environ.get ("PATH", "/usr/bin:/bin")])
        env.update (extra or {})
        return env

    def run (self, *args, check=True, timeout=10):
        """Runs an X tool on this display and returns its standard output as text."""
        result = subprocess.run (args, env=self.env (self.wm_home), stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=timeout)
        if check and result.returncode != 0:
            raise HarnessError ("%s failed (%d): %s" % (" ".join (args), result.returncode,
                                                        result.stderr.decode (errors="replace").strip()))
        return result.stdout.decode (errors="replace")

    def _log (self, name):
        f = open (os.path.join (self.workdir, name), "wb")
        self.logs.append (f)
        return f

    def _start_xvfb (self):
        read_end, write_end = os.pipe()
        try:
            self.xvfb = subprocess.Popen (
                ["Xvfb", "-displayfd", str (write_end), "-screen", "0", self.screen,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=self._log ("xvfb.log"))
            os.close (write_end)
            write_end = -1

            # Xvfb writes the display number once it accepts connections.
            number = b""
            deadline = time.monotonic() + 15
            while not number.endswith (b"\n"):
                remaining = deadline - time.monotonic()
                if remaining <= 0 or not select.select ([read_end], [], [], remaining)[0]:
                    raise HarnessError ("Xvfb did not report a display number")
                chunk = os.read (read_end, 16)
                if not chunk:
                    raise HarnessError ("Xvfb ended before it reported a display number")
                number += chunk
        finally:
            os.close (read_end)
            if write_end >= 0:
                os.close (write_end)

        self.display = ":" + number.decode().strip()

    def _start_openbox (self):
        self.openbox = subprocess.Popen (
            ["openbox", "--sm-disable"], env=self.env (self.wm_home), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=self._log ("openbox.log"))

        def ready():
            if self.openbox.poll() is not None:
                raise HarnessError ("openbox ended at start (status %d)" % self.openbox.returncode)
            return "window id" in self.run ("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False)

        poll (ready, 15, what="openbox to manage the screen")

    def screenshot (self):
        path = os.path.join (self.workdir, "screen.ppm")
        self.run ("import", "-silent", "-window", "root", "-depth", "8", "ppm:" + path, timeout=20)
        with open (path, "rb") as f:
            return Screenshot (f.read())

    def pointer (self):
        """The pointer's absolute position."""
        fields = dict (line.split ("=", 1) for line in self.run ("xdotool", "getmouselocation", "--shell").split())
        return (int (fields["X"]), int (fields["Y"]))

    def close (self):
        stop_process (self.openbox)
        stop_process (self.xvfb)
        self.openbox = None
        self.xvfb = None
        for f in self.logs:
            f.close()
        self.logs = []


#==============================================================================
class QuillonProcess:
    """One run of the program with a temporary HOME (holding a Desktop folder)."""

    def __init__ (self, session, app, home, extra_path=(), extra_env=None):
        self.session = session
        self.app = app
        self.home = home
        self.log_path = home + ".log"
        self.proc = None
        self.window = None
        self.extra_env = extra_env
        # The program's own folder goes first, so its `defaults` stand-in is found.
        self.path_prefix = list (extra_path) + [os.path.dirname (os.path.abspath (app))]

    def start (self, timeout=20):
        self.log = open (self.log_path, "wb")
        self.proc = subprocess.Popen ([self.app], env=self.session.env (self.home, self.path_prefix, self.extra_env),
                                      cwd=self.home, stdin=subprocess.DEVNULL,
                                      stdout=self.log, stderr=subprocess.STDOUT)
        self.window = poll (self._find_window, timeout, interval=0.05, what="the window \"Quillon\"")
        return self

    def _find_window (self):
        if self.proc.poll() is not None:
            raise HarnessError ("Quillon ended at start (status %d): %s" % (self.proc.returncode, self.output()))
        ids = self.session.run ("xdotool", "search", "--onlyvisible", "--name", "^Quillon$",
                                check=False).split()
        # JUCE rebuilds its native window while it sets up; only a mapped one counts.
        mapped = [w for w in ids if "IsViewable" in self.session.run ("xwininfo", "-id", w, check=False)]
        return mapped[-1] if len (mapped) == 1 else None

    def output (self):
        try:
            with open (self.log_path, "rb") as f:
                return f.read().decode (errors="replace").strip()
        except OSError:
            return ""

    def geometry (self):
        """(absolute x, absolute y, width, height) of the client window."""
        info = {}
        for line in self.session.run ("xwininfo", "-id", self.window).splitlines():
            key, _, value = line.strip().partition (":")
            info[key] = value.strip()
        return (int (info["Absolute upper-left X"]), int (info["Absolute upper-left Y"]),
                int (info["Width"]), int (info["Height"]))

    def panel_view (self):
        x, y, _, _ = self.geometry()
        return PanelView (self.session.screenshot(), (x, y))

    def wait_until_drawn (self, timeout=10):
        """Waits until the window has stopped moving and the panel is on the screen.

        Returns a PanelView of that moment. JUCE maps its window before it is
        sized and centred, so one reading of the geometry is not enough.
        """
        previous = [None]

        def drawn():
            geometry = self.geometry()
            settled = geometry == previous[0]
            previous[0] = geometry
            if not settled:
                return None
            view = PanelView (self.session.screenshot(), geometry[:2])
            return view if view.rgb (5, 5) == 0x0a0a0b and view.rgb (5, 60) == 0x2e2e33 else None

        return poll (drawn, timeout, interval=0.05, what="the panel to be drawn")

    def move_pointer (self, x, y):
        """Moves the pointer to panel coordinates and waits until the server has it there."""
        ax, ay, _, _ = self.geometry()
        target = (ax + x, ay + y)
        self.session.run ("xdotool", "mousemove", str (target[0]), str (target[1]))
        poll (lambda: self.session.pointer() == target, 5, what="the pointer to reach %s" % (target,))

    def click (self, x, y):
        """A left click at panel coordinates."""
        self.move_pointer (x, y)
        self.session.run ("xdotool", "click", "1")

    def park_pointer (self):
        """Moves the pointer onto an empty part of the panel, so that no control is highlighted."""
        self.move_pointer (10, 540)

    def settled_view (self, timeout=5):
        """A view of the panel once two screenshots in a row agree (JUCE repaints asynchronously)."""
        previous = [None]

        def settled():
            view = self.panel_view()
            last, previous[0] = previous[0], view
            if last is not None and last.origin == view.origin and last.screenshot.pixels == view.screenshot.pixels:
                return view
            return None

        return poll (settled, timeout, interval=0.05, what="the panel to stop changing")

    def click_button (self, bounds):
        """Clicks the middle of a control given as (x, y, w, h) in panel coordinates."""
        x, y, w, h = bounds
        self.click (x + w // 2, y + h // 2)

    def property (self, name):
        return self.session.run ("xprop", "-id", self.window, name).strip()

    def close_through_wm (self):
        self.session.run ("wmctrl", "-i", "-c", self.window)

    def wait_for_exit (self, timeout):
        try:
            return self.proc.wait (timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop (self):
        stop_process (self.proc)
        if getattr (self, "log", None):
            self.log.close()
            self.log = None

    def __enter__ (self):
        try:
            return self.start()
        except BaseException:
            self.stop()
            raise

    def __exit__ (self, *exc):
        self.stop()
        return False


#==============================================================================
class Results:
    """Collects named checks and prints one line for each."""

    def __init__ (self):
        self.passed = 0
        self.failed = []

    def check (self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print ("PASS  " + name, flush=True)
        else:
            self.failed.append (name)
            print ("FAIL  " + name + (": " + detail if detail else ""), flush=True)
        return ok

    def equal (self, name, actual, expected):
        return self.check (name, actual == expected, "got %r, expected %r" % (actual, expected))

    def summary (self):
        return "%d passed, %d failed" % (self.passed, len (self.failed))


#==============================================================================
def make_home (root, name):
    """A fresh home folder with an empty Desktop."""
    home = os.path.join (root, name)
    os.makedirs (os.path.join (home, "Desktop"))
    return home


def temporary_root():
    return tempfile.mkdtemp (prefix="quillon-e2e-")


def remove_tree (path):
    shutil.rmtree (path, ignore_errors=True)


def write_file (home, relative, data):
    path = os.path.join (home, relative)
    os.makedirs (os.path.dirname (path), exist_ok=True)
    with open (path, "wb" if isinstance (data, bytes) else "w") as f:
        f.write (data)
    return path
