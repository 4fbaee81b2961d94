#!/usr/bin/env python3
#   Quillon - diagnostics helper
#   Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

"""End-to-end run: the built program in a private X session (its own Xvfb and openbox).

Each scenario starts the program with its own temporary HOME and drives the real
window with xdotool, for what only a real window, a window manager and real
clicks show; what each action does in detail is the unit tests' business. Every
wait is a bounded poll, every process started here is stopped again, and a run of
the program that ends with a status other than 0 fails. The last line of the
output is "N passed, M failed"; the status is 0 only if nothing failed.
"""

import contextlib, os, plistlib, re, select, signal, subprocess, sys, tempfile, time, types, zipfile

RUN_TIME_LIMIT = 100  # seconds: the whole run ends well inside CTest's limit, whatever hangs
HEADER, BACKGROUND = 0x0a0a0b, 0x2e2e33
DOMAINS = ["com.tallowmere." + name for name in ("Kestrava5", "Kestrava6", "Kestrava", "Palvero2", "Palvero3", "Palvero")]
PRIMARY, LEVEL = [DOMAINS[0], DOMAINS[3]], "ApplicationLogLevel"
# The header band and the banner's underline, the background, both ends of the separator under the
# logging buttons, and the body and outline of an enabled text button.
PIXELS = {(5, 5): HEADER, (575, 45): HEADER, (30, 34): 0x1e89cc, (10, 60): BACKGROUND, (10, 540): BACKGROUND,
          (69, 149): BACKGROUND, (70, 149): HEADER, (509, 149): HEADER, (510, 149): BACKGROUND,
          (306, 120): 0x252529, (405, 106): 0x53535c, (405, 133): 0x53535c}
outcomes = []


class HarnessError (Exception):
    """The X session or the program could not be brought into the state a check needs."""


class Stopped (BaseException):
    """The run ran out of time or was terminated; it passes every handler but main's."""


def poll (condition, timeout, what):
    """Calls condition() until it returns a true value (which is returned), for at most timeout seconds."""
    deadline = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() >= deadline:
            raise HarnessError ("timed out after %g s waiting for %s" % (timeout, what))
        time.sleep (0.05)
    return value


def check (name, ok, detail=""):
    outcomes.append (bool (ok))
    print (("PASS  " if ok else "FAIL  ") + name + ("" if ok or not detail else ": " + detail), flush=True)


def expect (name, get, want, timeout=10):
    """Polls get() until its value equals want (or want(value) holds) and records the outcome."""
    seen, holds = [], want if callable (want) else lambda value: value == want
    with contextlib.suppress (HarnessError):
        return check (name, poll (lambda: seen.append (get()) or holds (seen[-1]), timeout, name))
    check (name, False, "last seen %r" % seen[-1:])


def stop (proc):
    """Ends a process we started, stopped or not: SIGTERM, then SIGKILL if it is still there after 3 s."""
    for number in (signal.SIGCONT, signal.SIGTERM):
        proc.send_signal (number)
    try:
        proc.wait (timeout=3)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def environment (home, path_prefix=()):
    # Nothing of the caller's desktop session may leak into ours.
    env = {k: v for k, v in os.environ.items() if not k.startswith ("XDG_") and k not in ("DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY")}
    env.update (DISPLAY=x_display, HOME=home, PATH=os.pathsep.join ([*path_prefix, os.environ["PATH"]]))
    return env


def xrun (*args, check=True):
    """Runs an X tool in the session and returns its standard output (bytes)."""
    result = subprocess.run (args, env=environment (x_home), capture_output=True, timeout=20)
    if check and result.returncode != 0:
        raise HarnessError ("%s failed: %s" % (" ".join (args), result.stderr.decode (errors="replace").strip()))
    return result.stdout


@contextlib.contextmanager
def x_session (home):
    """Xvfb, which reports its display number through -displayfd once it accepts connections, managed by openbox."""
    global x_display, x_home
    quiet = dict (stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    read_end, write_end = os.pipe()
    procs = [subprocess.Popen (["Xvfb", "-displayfd", str (write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                               pass_fds=(write_end,), **quiet)]
    os.close (write_end)
    try:
        if not (number := select.select ([read_end], [], [], 15)[0] and os.read (read_end, 16).strip()):
            raise HarnessError ("Xvfb reported no display number")
        x_display, x_home = ":" + number.decode(), home
        procs.append (subprocess.Popen (["openbox", "--sm-disable"], env=environment (home), **quiet))
        poll (lambda: b"window id" in xrun ("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False), 15, "openbox")
        yield
    finally:
        os.close (read_end)
        for proc in reversed (procs):
            stop (proc)


def pixels (w):
    """A screenshot of the client area: pixels (x, y) gives 0xRRGGBB, and pixels.size (width, height)."""
    data = xrun ("import", "-silent", "-window", w.id, "-depth", "8", "ppm:-")
    header = re.match (rb"P6\s(\d+)\s(\d+)\s255\s", data)
    at = lambda x, y: header.end() + (y * int (header[1]) + x) * 3
    rgb = lambda x, y: int.from_bytes (data[at (x, y):at (x, y) + 3], "big")
    rgb.size = (int (header[1]), int (header[2]))
    return rgb


def drawn (w):
    """Whether the panel is drawn in the program's one visible window, whose ID it keeps in w.id."""
    if w.proc.poll() is not None:
        raise HarnessError ("Quillon ended at start with status %d" % w.proc.returncode)
    # JUCE rebuilds its native window while it sets up: a new ID each time.
    ids = xrun ("xdotool", "search", "--onlyvisible", "--name", "^Quillon$", check=False).split()
    w.id = ids[0].decode() if len (ids) == 1 else None
    with contextlib.suppress (HarnessError):  # the window was rebuilt since the search
        return w.id and (rgb := pixels (w)) (5, 5) == HEADER and rgb (5, 60) == BACKGROUND


def click (w, x, y, until):
    """Clicks at (x, y) in the panel, holding the button down briefly as a person does, and again (three
    times at most) while until() stays false for 3 s: now and then a synthetic click is lost on a loaded machine."""
    for _ in range (3):
        xrun ("xdotool", "mousemove", "--window", w.id, "--sync", str (x), str (y), "mousedown", "1", "sleep", "0.05", "mouseup", "1")
        with contextlib.suppress (HarnessError):
            return poll (until, 3, "the click to take effect")


@contextlib.contextmanager
def quillon (app, home, path_prefix=()):
    """Runs the program with the given HOME as a desktop entry would: argv[0] is a bare name and its folder
    is not on PATH. Raises HarnessError afterwards if it did not end with status 0 (a sanitizer's report,
    a crash, or a SIGTERM from stop() that did not end it cleanly)."""
    w = types.SimpleNamespace (proc=subprocess.Popen (["Quillon"], executable=app, env=environment (home, path_prefix),
                                                      cwd=home, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL))
    try:
        poll (lambda: drawn (w), 20, "the panel to be drawn")
        yield w
    finally:
        stop (w.proc)
    if w.proc.returncode != 0:
        raise HarnessError ("Quillon ended with status %d" % w.proc.returncode)


def write_file (home, relative, data=b"data"):
    os.makedirs (os.path.dirname (path := os.path.join (home, relative)), exist_ok=True)
    with open (path, "wb") as f:
        f.write (data)
    return path


def xdg_open_stub (home):
    """A folder holding an xdg-open that records its arguments, and a function that lists its calls."""
    os.chmod (write_file (home, "stubs/xdg-open", b'#!/bin/sh\necho "$@" >> "${0%/*}/calls"\n'), 0o755)
    calls = os.path.join (home, "stubs", "calls")
    return os.path.dirname (calls), lambda: open (calls).read().splitlines() if os.path.exists (calls) else []


#==============================================================================
def window_and_buttons (app, home):
    plist = lambda domain: os.path.join (home, "Library/Preferences", domain + ".plist")

    def values (key, domains):  # None while a file is missing or not (yet) whole
        with contextlib.suppress (Exception):
            return [plistlib.load (open (plist (d), "rb")).get (key) for d in domains]

    # Extended logging is on at start, so the disable button and the toggles are live.
    for domain in DOMAINS:
        write_file (home, plist (domain), plistlib.dumps ({LEVEL: 7 if domain in PRIMARY else 3}))
    settings = write_file (home, "Library/Application Support/Palvero/Profile.kspr")
    stubs, reveals = xdg_open_stub (home)
    desktop = os.path.join (home, "Desktop")
    archive = lambda name, calls: lambda: reveals() == [desktop] * calls and zipfile.is_zipfile (os.path.join (desktop, name))

    with quillon (app, home, [stubs]) as w:
        expect ("window: client area 580 x 568", lambda: pixels (w).size, (580, 568))
        # Fixed size; a frame with a title bar, a menu and the three buttons but no resize handles; a dark title bar.
        expect ("window: size, frame and title-bar hints", lambda: xrun (
            "xprop", "-id", w.id, "-f", "_GTK_THEME_VARIANT", "8x", "WM_NORMAL_HINTS", "_MOTIF_WM_HINTS", "_GTK_THEME_VARIANT").decode(),
            lambda p: all (line in p for line in ("minimum size: 580 by 568", "maximum size: 580 by 568", "= 0x3, 0x3c, 0x7a,",
                                                  "(UTF8_STRING) = " + ", ".join (map (hex, b"dark")) + "\n")))

        xrun ("xdotool", "mousemove", "--window", w.id, "--sync", "10", "540")  # nothing highlighted
        expect ("panel: header, banner, background, separator and button pixels",
                lambda: (lambda rgb: {p: rgb (*p) for p in PIXELS}) (pixels (w)), PIXELS)

        # Stopped, the program cannot repaint: a window shown again shows its native background.
        w.proc.send_signal (signal.SIGSTOP)
        xrun ("xdotool", "windowminimize", "--sync", w.id, "windowactivate", "--sync", w.id)
        expect ("window: the native window's background", lambda: pixels (w) (300, 300), 0x252529)
        w.proc.send_signal (signal.SIGCONT)
        xrun ("xdotool", "windowsize", w.id, "800", "700", "windowmove", w.id, "40", "40")  # refused, or undone by the end

        for name, x, y, done in [
                ("Audio toggle", 175, 262, lambda: values ("EnableAudioLogging", DOMAINS) == [True] * 6),
                ("Disable Extended Logging", 405, 120, lambda: values (LEVEL, PRIMARY) == [3, 3]),
                ("Enable Extended Logging", 175, 120, lambda: values (LEVEL, PRIMARY) == [7, 7]),
                ("Collect TLM App Logs", 175, 370, archive ("TLM_Logs.zip", 1)),
                ("Collect Pro Tools Logs", 405, 370, archive ("PT_Logs.zip", 2)),
                ("Delete Settings Files", 405, 478, lambda: not os.path.exists (settings)),
                ("Delete Preferences", 175, 478,
                 lambda: [os.path.exists (plist (d)) for d in DOMAINS] == [d not in PRIMARY for d in DOMAINS])]:
            click (w, x, y, done)
            expect ("buttons: " + name, done, True, timeout=0)

        size = pixels (w).size  # once framed, resized, moved and shown again, the window must not have given way
        check ("window: still 580 x 568 at the end", size == (580, 568), str (size))
        xrun ("wmctrl", "-i", "-c", w.id)
        expect ("window: closed through the window manager, exits with status 0", w.proc.poll, 0)


def terminated_collection (app, home):
    # A sparse log makes a collection long enough to be caught half-way, at no cost in disk or set-up time.
    os.truncate (write_file (home, "Library/Logs/Kestrava/big.log"), 64 << 20)
    desktop, seen = os.path.join (home, "Desktop"), set()
    under_way = lambda: seen.update (n for n in os.listdir (desktop) if n.startswith ("tempFolder") or n.endswith (".partial")) or seen

    with quillon (app, home, [xdg_open_stub (home)[0]]) as w:
        click (w, 175, 370, under_way)
        w.proc.send_signal (signal.SIGTERM)
        expect ("signals: SIGTERM during a collection lets it complete, then quits with status 0", w.proc.poll, 0, timeout=30)
        check ("signals: the collection leaves only its archive on the Desktop, no scratch folder or .partial",
               seen and os.listdir (desktop) == ["TLM_Logs.zip"], "caught %s, left %s" % (seen, os.listdir (desktop)))


def hang_up (app, home):
    with quillon (app, home) as w:
        w.proc.send_signal (signal.SIGHUP)
        expect ("signals: SIGHUP quits with status 0", w.proc.poll, 0)


#==============================================================================
def main():
    app = os.path.abspath (sys.argv[sys.argv.index ("--app") + 1])

    def stopped (number, _):
        raise Stopped ("out of time" if number == signal.SIGALRM else "terminated")
    signal.signal (signal.SIGALRM, stopped)
    signal.signal (signal.SIGTERM, stopped)
    signal.alarm (RUN_TIME_LIMIT)
    try:
        with tempfile.TemporaryDirectory (prefix="quillon-e2e-") as root, x_session (root):
            for scenario in (window_and_buttons, terminated_collection, hang_up):
                os.makedirs (os.path.join (home := os.path.join (root, scenario.__name__), "Desktop"))
                try:
                    scenario (app, home)
                except Exception as e:  # one scenario's fault must not hide the others' results
                    check (scenario.__name__ + ": ran to its end", False, "%s: %s" % (type (e).__name__, e))
    except (Exception, Stopped) as e:
        check ("run", False, "%s: %s" % (type (e).__name__, e))
    finally:
        signal.alarm (0)
    print ("%d passed, %d failed" % (outcomes.count (True), outcomes.count (False)), flush=True)
    return 0 if all (outcomes) else 1


if __name__ == "__main__":
    sys.exit (main())
