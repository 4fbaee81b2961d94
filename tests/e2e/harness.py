#   Quillon - diagnostics helper
#   Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

"""Drives the built program in a private X session (its own Xvfb and openbox).

Every wait is a bounded poll, and every process started here is stopped again,
also when a check fails or raises.
"""

import contextlib
import os
import re
import select
import subprocess
import time

PANEL_SIZE = (580, 568)
HEADER = 0x0a0a0b
BACKGROUND = 0x2e2e33


class HarnessError (Exception):
    """The X session or the program could not be brought into the state a check needs."""


def poll (condition, timeout, what):
    """Calls condition() until it returns a true value (which is returned), for at most timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError ("timed out after %g s waiting for %s" % (timeout, what))
        time.sleep (0.05)


def stop (proc):
    """Ends a process we started: SIGTERM, then SIGKILL if it is still there after 3 s."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait (timeout=3)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


class Session:
    """The display of a running x_session(), with helpers to run X tools on it."""

    def __init__ (self, display, home):
        self.display = display
        self.home = home

    def env (self, home, path_prefix=()):
        # Nothing of the caller's desktop session may leak into ours.
        env = {k: v for k, v in os.environ.items()
               if not k.startswith ("XDG_") and k not in ("DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY")}
        env.update (DISPLAY=self.display, HOME=home,
                    PATH=os.pathsep.join (list (path_prefix) + [os.environ.get ("PATH", "/usr/bin:/bin")]))
        return env

    def run (self, *args, check=True):
        """Runs an X tool on this display and returns its standard output (bytes)."""
        result = subprocess.run (args, env=self.env (self.home), capture_output=True, timeout=20)
        if check and result.returncode != 0:
            raise HarnessError ("%s failed: %s" % (" ".join (args), result.stderr.decode (errors="replace").strip()))
        return result.stdout


@contextlib.contextmanager
def x_session (home):
    """Xvfb (which reports its display number through -displayfd) with openbox managing it.

    `home` is the (temporary) HOME of openbox and of the X tools.
    """
    os.makedirs (home, exist_ok=True)
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen (["Xvfb", "-displayfd", str (write_end), "-screen", "0", "1280x1024x24",
                              "-nolisten", "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close (write_end)
    openbox = None
    try:
        number = b""
        while not number.endswith (b"\n"):
            if not select.select ([read_end], [], [], 15)[0]:
                raise HarnessError ("Xvfb reported no display number")
            chunk = os.read (read_end, 16)
            if not chunk:
                raise HarnessError ("Xvfb ended at start")
            number += chunk
        session = Session (":" + number.decode().strip(), home)
        openbox = subprocess.Popen (["openbox", "--sm-disable"], env=session.env (home),
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        poll (lambda: b"window id" in session.run ("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False),
              15, "openbox to manage the screen")
        yield session
    finally:
        os.close (read_end)
        for proc in (openbox, xvfb):
            if proc is not None:
                stop (proc)


class Window:
    """A running Quillon and its client window."""

    def __init__ (self, session, proc):
        self.session = session
        self.proc = proc
        self.id = None
        self._wait_until_drawn()

    def _find (self):
        if self.proc.poll() is not None:
            raise HarnessError ("Quillon ended at start with status %d" % self.proc.returncode)
        ids = self.session.run ("xdotool", "search", "--onlyvisible", "--name", "^Quillon$", check=False).split()
        # JUCE rebuilds its native window while it sets up: a new ID each time.
        return ids[0].decode() if len (ids) == 1 else None

    def size (self):
        info = self.session.run ("xwininfo", "-id", self.id).decode()
        return tuple (int (re.search (key + r":\s*(\d+)", info).group (1)) for key in ("Width", "Height"))

    def pixels (self):
        """A screenshot of the client area: pixels (x, y) gives 0xRRGGBB in panel coordinates."""
        data = self.session.run ("import", "-silent", "-window", self.id, "-depth", "8", "ppm:-")
        header = re.match (rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        if header is None:
            raise HarnessError ("unexpected screenshot format")
        width, offset = int (header.group (1)), header.end()

        def rgb (x, y):
            i = offset + (y * width + x) * 3
            return int.from_bytes (data[i:i + 3], "big")
        return rgb

    def _wait_until_drawn (self):
        """Waits until the panel is drawn in the program's one visible window."""
        def ready():
            self.id = self._find()
            try:
                rgb = self.id and self.pixels()
            except HarnessError:  # the window was rebuilt between the search and the screenshot
                return False
            return rgb and rgb (5, 5) == HEADER and rgb (5, 60) == BACKGROUND
        poll (ready, 20, "the panel to be drawn")

    def move_to (self, x, y, *then):
        """Moves the pointer to panel coordinates, waits until it is there, then runs more xdotool commands."""
        self.session.run ("xdotool", "mousemove", "--window", self.id, "--sync", str (x), str (y), *then)

    def click (self, bounds, until=None):
        """Clicks the middle of a control given as (x, y, w, h), holding the button down briefly as a
        person does. With until, clicks again (three times at most) while until() stays false for
        3 s: on a loaded machine a synthetic click now and then never reaches the program."""
        for _ in range (3):
            self.move_to (bounds[0] + bounds[2] // 2, bounds[1] + bounds[3] // 2,
                          "mousedown", "1", "sleep", "0.05", "mouseup", "1")
            try:
                if until is None or poll (until, 3, "the click to take effect"):
                    return
            except HarnessError:
                pass


@contextlib.contextmanager
def quillon (session, app, home, path_prefix=()):
    """Runs the program with the given HOME as a desktop entry would: argv[0] is a bare name and its
    folder is not on PATH. Raises HarnessError afterwards if it did not end with status 0 (a
    sanitizer's report, a crash, or a SIGTERM from stop() that did not end it cleanly)."""
    proc = subprocess.Popen (["Quillon"], executable=app, env=session.env (home, path_prefix),
                             cwd=home, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    try:
        yield Window (session, proc)
    finally:
        stop (proc)
    if proc.returncode != 0:
        raise HarnessError ("Quillon ended with status %d" % proc.returncode)


class Results:
    """Prints one line for each check and counts them."""

    def __init__ (self):
        self.passed = 0
        self.failed = 0

    def check (self, name, ok, detail=""):
        self.passed += bool (ok)
        self.failed += not ok
        print (("PASS  " if ok else "FAIL  ") + name + ("" if ok or not detail else ": " + detail), flush=True)

    def expect (self, name, get, want, timeout=10):
        """Polls get() until want(value) holds (or the value equals want) and records the outcome."""
        last = [None]

        def holds():
            last[0] = get()
            return want (last[0]) if callable (want) else last[0] == want
        try:
            poll (holds, timeout, name)
            self.check (name, True)
        except HarnessError:
            self.check (name, False, "last seen %r" % (last[0],))
