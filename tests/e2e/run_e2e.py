#!/usr/bin/env python3
#   Quillon - diagnostics helper
#   Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

"""End-to-end run: the built program in a private X session under openbox.

Each scenario starts the program with its own temporary HOME, drives the real
window with xdotool and checks the screen and the files it leaves. The last
line of the output is "N passed, M failed"; the status is 0 only if nothing
failed.
"""

import argparse
import itertools
import json
import os
import plistlib
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert (0, os.path.dirname (os.path.abspath (__file__)))

import harness
from harness import BACKGROUND, HEADER, PANEL_SIZE

# The whole run must end well inside CTest's limit, whatever hangs.
RUN_TIME_LIMIT = 100

DOMAINS = ["com.tallowmere.Kestrava5", "com.tallowmere.Kestrava6", "com.tallowmere.Kestrava",
           "com.tallowmere.Palvero2", "com.tallowmere.Palvero3", "com.tallowmere.Palvero"]
PRIMARY = ["com.tallowmere.Kestrava5", "com.tallowmere.Palvero2"]
LEVEL = "ApplicationLogLevel"

# Panel bounds of the controls (x, y, w, h).
ENABLE_BUTTON = (70, 106, 210, 28)
DISABLE_BUTTON = (300, 106, 210, 28)
AUDIO_TOGGLE = (70, 248, 210, 28)
COLLECT_TLM_BUTTON = (70, 356, 210, 28)
COLLECT_PT_BUTTON = (300, 356, 210, 28)
DELETE_PREFERENCES_BUTTON = (70, 464, 210, 28)
DELETE_SETTINGS_BUTTON = (300, 464, 210, 28)


def plist_path (home, domain):
    return os.path.join (home, "Library", "Preferences", domain + ".plist")


def write_file (home, relative, data):
    path = os.path.join (home, relative)
    os.makedirs (os.path.dirname (path), exist_ok=True)
    with open (path, "wb") as f:
        f.write (data)
    return path


def write_domain (home, domain, values):
    write_file (home, os.path.join ("Library", "Preferences", domain + ".plist"), plistlib.dumps (values))


def read_bytes (path):
    try:
        with open (path, "rb") as f:
            return f.read()
    except OSError:
        return None


def values_of (home, key, domains):
    """The key's value in each domain; None while a file is missing or not (yet) whole."""
    def value (domain):
        try:
            return plistlib.loads (read_bytes (plist_path (home, domain))).get (key)
        except Exception:
            return None
    return [value (d) for d in domains]


def colours (window, points):
    rgb = window.pixels()
    return ["0x%06x" % rgb (x, y) for x, y in points]


def count_pixels (window, rect, condition):
    x, y, w, h = rect
    rgb = window.pixels()
    return sum (1 for py in range (y, y + h) for px in range (x, x + w) if condition (rgb (px, py)))


def near (colour, expected, tolerance=3):
    return all (abs ((colour >> s & 0xff) - (expected >> s & 0xff)) <= tolerance for s in (0, 8, 16))


#==============================================================================
def window_and_theme (results, session, app, home):
    # Extended logging is on at start, so the disable button and the toggles are live.
    for domain in PRIMARY:
        write_domain (home, domain, {LEVEL: 7})

    with harness.quillon (session, app, home) as w:
        results.expect ("window: client area is 580 x 568", w.size, PANEL_SIZE)
        results.expect ("window: _GTK_THEME_VARIANT is \"dark\" on the client window",
                        lambda: session.run ("xprop", "-id", w.id, "_GTK_THEME_VARIANT").decode().strip(),
                        '_GTK_THEME_VARIANT(UTF8_STRING) = "dark"')

        # Keep the pointer off every control, so that nothing is highlighted.
        w.move_to (10, 540)
        points = [(5, 5), (300, 25), (575, 45)]
        results.expect ("window: header band 0x0a0a0b", lambda: colours (w, points), ["0x%06x" % HEADER] * 3)
        points = [(10, 60), (560, 230), (290, 370), (10, 540)]
        results.expect ("window: background 0x2e2e33", lambda: colours (w, points), ["0x%06x" % BACKGROUND] * 4)
        results.expect ("window: banner drawn in (20, 12, 209, 25)",
                        lambda: count_pixels (w, (20, 12, 209, 25), lambda c: c != HEADER), lambda n: n >= 200)

        def runs (y):
            return [(c, len (list (run))) for c, run in itertools.groupby (colours (w, [(x, y) for x in range (580)]))]
        results.expect ("window: the separator at y 149 spans x 70..509 only", lambda: runs (149),
                        [("0x%06x" % BACKGROUND, 70), ("0x%06x" % HEADER, 440), ("0x%06x" % BACKGROUND, 70)])

        x, y, width, height = DISABLE_BUTTON
        points = [(x + 6, y + 14), (x + width // 2, y + 3), (x + width // 2, y), (x + width // 2, y + height - 1)]
        results.expect ("theme: text button body 0x252529, outline 0x53535c", lambda: colours (w, points),
                        ["0x252529"] * 2 + ["0x53535c"] * 2)
        x, y, width, height = AUDIO_TOGGLE
        results.expect ("theme: toggle label text drawn in about 0xd4d4d6",
                        lambda: count_pixels (w, (x + 28, y, width - 28, height), lambda c: near (c, 0xd4d4d6)),
                        lambda n: n >= 5)

        # The window manager asks for 800 x 700; the client must stay as it is.
        session.run ("xdotool", "windowsize", w.id, "800", "700")
        # Nothing tells when the request has been refused, so watch for half a second.
        asked = time.monotonic()
        results.expect ("window: client area stays 580 x 568 after xdotool windowsize 800 700",
                        lambda: time.monotonic() - asked >= 0.5 and w.size(), PANEL_SIZE)

        session.run ("wmctrl", "-i", "-c", w.id)
        try:
            status = w.proc.wait (timeout=5)
        except subprocess.TimeoutExpired:
            status = "still running after 5 s"
        results.check ("window: closed through the window manager, exits with status 0", status == 0, str (status))


def logging_switches (results, session, app, home):
    for domain in DOMAINS:
        write_domain (home, domain, {LEVEL: 3, "LaunchCount": 42})
    others = {d: read_bytes (plist_path (home, d)) for d in DOMAINS if d not in PRIMARY}

    with harness.quillon (session, app, home) as w:
        w.click (ENABLE_BUTTON, lambda: values_of (home, LEVEL, PRIMARY) == [7, 7])
        results.expect ("logging: Enable writes ApplicationLogLevel 7 into Kestrava5 and Palvero2",
                        lambda: values_of (home, LEVEL, PRIMARY), [7, 7])
        results.check ("logging: Enable leaves the four other plist files unchanged",
                       all (read_bytes (plist_path (home, d)) == data for d, data in others.items()))
        w.click (AUDIO_TOGGLE, lambda: all (x is True for x in values_of (home, "EnableAudioLogging", DOMAINS)))
        results.expect ("logging: the Audio toggle writes EnableAudioLogging true into all six",
                        lambda: values_of (home, "EnableAudioLogging", DOMAINS), lambda v: all (x is True for x in v))
        w.click (DISABLE_BUTTON, lambda: values_of (home, LEVEL, DOMAINS) == [3] * 6)
        results.expect ("logging: Disable writes ApplicationLogLevel 3 into all six",
                        lambda: values_of (home, LEVEL, DOMAINS), [3] * 6)


# Records, for each call, which archives on the Desktop are whole zips at that moment.
XDG_OPEN_STUB = """#!/usr/bin/env python3
import json, os, sys, zipfile
def whole (name):
    try:
        with zipfile.ZipFile (os.path.join (os.environ["HOME"], "Desktop", name)) as z:
            return z.testzip() is None
    except Exception:
        return False
with open (os.path.join (os.path.dirname (os.path.abspath (__file__)), "calls"), "a") as f:
    f.write (json.dumps ([n for n in ("TLM_Logs.zip", "PT_Logs.zip") if whole (n)]) + "\\n")
"""


def archives (results, session, app, home):
    logs = "Library/Logs/"
    entries = {
        "TLM_Logs.zip": {
            "Kestrava_2024-05-01-101010.crash": logs + "DiagnosticReports/Kestrava_2024-05-01-101010.crash",
            "kestrava.log": logs + "Kestrava/kestrava.log",
            "palvero.log": logs + "Palvero/palvero.log",
            "Kestrava/settings.ksdisp": "Library/Application Support/Kestrava/settings.ksdisp",
            "com.tallowmere.Kestrava5.plist": "Library/Preferences/com.tallowmere.Kestrava5.plist",
        },
        "PT_Logs.zip": {"Pro_Tools_2024-05-01.txt": logs + "Avid/Pro_Tools_2024-05-01.txt"},
    }
    for relative in [r for e in entries.values() for r in e.values()] + [logs + "DiagnosticReports/Safari.crash",
                                                                        logs + "Avid/Other.txt"]:
        write_file (home, relative, ("from " + relative).encode())
    # Opening a FIFO blocks until a writer comes: the collection must pass it over.
    os.mkfifo (os.path.join (home, logs, "Kestrava", "pipe.log"))
    stubs = os.path.join (home, "stubs")
    os.chmod (write_file (stubs, "xdg-open", XDG_OPEN_STUB.encode()), 0o755)
    calls = os.path.join (stubs, "calls")

    def reveals():
        return [json.loads (line) for line in (read_bytes (calls) or b"").decode().splitlines()]

    def contents (path):
        try:
            with zipfile.ZipFile (path) as z:
                return {name: z.read (name) for name in z.namelist()}
        except (OSError, zipfile.BadZipFile) as e:
            return str (e)

    with harness.quillon (session, app, home, [stubs]) as w:
        for count, (button, archive) in enumerate ([(COLLECT_TLM_BUTTON, "TLM_Logs.zip"),
                                                    (COLLECT_PT_BUTTON, "PT_Logs.zip")], 1):
            w.click (button, lambda: len (reveals()) >= count)
            harness.poll (lambda: len (reveals()) >= count, 10, archive + " to be revealed")
            results.expect ("archives: %s holds its sources' entries" % archive,
                            lambda: contents (os.path.join (home, "Desktop", archive)),
                            {n: read_bytes (os.path.join (home, r)) for n, r in entries[archive].items()}, timeout=0)
        results.expect ("archives: xdg-open called once per archive, each one complete by then", reveals,
                        [["TLM_Logs.zip"], ["TLM_Logs.zip", "PT_Logs.zip"]], timeout=0)


def maintenance (results, session, app, home):
    for domain in DOMAINS:
        write_domain (home, domain, {LEVEL: 3})
    support = os.path.join (home, "Library", "Application Support")
    doomed = ["Kestrava/Main.ksdisp", "Kestrava/mix.ksar", "Palvero/Profile.kspr"]
    kept = ["Kestrava/Sub/Deep.ksar", "Kestrava/notes.txt", "Palvero/read.me"]
    for relative in doomed + kept:
        write_file (support, relative, b"settings")

    def left():
        return sorted (os.path.relpath (os.path.join (d, f), support) for d, _, files in os.walk (support) for f in files)

    with harness.quillon (session, app, home) as w:
        w.click (DELETE_PREFERENCES_BUTTON, lambda: not any (os.path.exists (plist_path (home, d)) for d in PRIMARY))
        results.expect ("maintenance: Delete Preferences removes the two primary plist files, not the other four",
                        lambda: [os.path.exists (plist_path (home, d)) for d in DOMAINS],
                        [d not in PRIMARY for d in DOMAINS])
        w.click (DELETE_SETTINGS_BUTTON, lambda: left() == kept)
        results.expect ("maintenance: Delete Settings Files removes only the settings files directly in the folders",
                        left, kept)
        w.proc.send_signal (signal.SIGHUP)
        results.expect ("signals: SIGHUP while idle quits with status 0", w.proc.poll, 0)


def terminated_collection (results, session, app, home):
    # A sparse log makes a collection long enough to be caught half-way, at no cost in disk or set-up time.
    with open (write_file (home, "Library/Logs/Kestrava/big.log", b""), "r+b") as f:
        f.truncate (64 << 20)
    stubs = os.path.join (home, "stubs")
    os.chmod (write_file (stubs, "xdg-open", b"#!/bin/sh\n"), 0o755)
    desktop = os.path.join (home, "Desktop")
    seen = set()

    def under_way():
        seen.update (n for n in os.listdir (desktop) if n.startswith ("tempFolder") or n.endswith (".partial"))
        return seen

    with harness.quillon (session, app, home, [stubs]) as w:
        w.click (COLLECT_TLM_BUTTON, under_way)
        w.proc.send_signal (signal.SIGTERM)
        results.expect ("signals: SIGTERM during a collection lets it complete, then quits with status 0",
                        w.proc.poll, 0, timeout=30)
        results.check ("signals: the collection leaves only its archive on the Desktop, no scratch folder or .partial",
                       seen and os.listdir (desktop) == ["TLM_Logs.zip"], "caught %s, left %s" % (seen, os.listdir (desktop)))


#==============================================================================
class Stopped (BaseException):
    """The run ran out of time or was terminated; it passes every handler but main's."""


def main():
    parser = argparse.ArgumentParser (description=__doc__)
    parser.add_argument ("--app", required=True, help="path of the built Quillon executable")
    app = os.path.abspath (parser.parse_args().app)

    def stopped (signum, _):
        raise Stopped ("out of time" if signum == signal.SIGALRM else "terminated")
    signal.signal (signal.SIGALRM, stopped)
    signal.signal (signal.SIGTERM, stopped)
    signal.alarm (RUN_TIME_LIMIT)

    results = harness.Results()
    try:
        with tempfile.TemporaryDirectory (prefix="quillon-e2e-") as root, \
                harness.x_session (os.path.join (root, "x-home")) as session:
            for scenario in (window_and_theme, logging_switches, archives, maintenance, terminated_collection):
                home = os.path.join (root, scenario.__name__)
                os.makedirs (os.path.join (home, "Desktop"))
                try:
                    scenario (results, session, app, home)
                except Exception as e:  # one scenario's fault must not hide the others' results
                    results.check (scenario.__name__ + ": ran to its end", False, "%s: %s" % (type (e).__name__, e))
    except (Exception, Stopped) as e:
        results.check ("run", False, "%s: %s" % (type (e).__name__, e))
    finally:
        signal.alarm (0)

    print ("%d passed, %d failed" % (results.passed, results.failed), flush=True)
    return 1 if results.failed else 0


if __name__ == "__main__":
    sys.exit (main())
