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
import datetime
import json
import os
import plistlib
import signal
import stat
import sys
import time
import traceback
import zipfile

sys.path.insert (0, os.path.dirname (os.path.abspath (__file__)))

import harness
from harness import HarnessError, PANEL_WIDTH, PANEL_HEIGHT

# The whole run must end well inside CTest's limit, whatever hangs.
RUN_TIME_LIMIT = 100

HEADER = 0x0a0a0b
BACKGROUND = 0x2e2e33
TEXT = 0xd4d4d6
BUTTON_FILL = 0x252529

DOMAINS = ["com.tallowmere.Kestrava5", "com.tallowmere.Kestrava6", "com.tallowmere.Kestrava",
           "com.tallowmere.Palvero2", "com.tallowmere.Palvero3", "com.tallowmere.Palvero"]
PRIMARY = ["com.tallowmere.Kestrava5", "com.tallowmere.Palvero2"]
LEVEL_KEY = "ApplicationLogLevel"

# Panel bounds of the controls (x, y, w, h).
ENABLE_BUTTON = (70, 106, 210, 28)
DISABLE_BUTTON = (300, 106, 210, 28)
SATELLITE_TOGGLE = (70, 164, 210, 28)
AUDIO_TOGGLE = (70, 248, 210, 28)
COLLECT_TLM_BUTTON = (70, 356, 210, 28)
COLLECT_PT_BUTTON = (300, 356, 210, 28)
DELETE_PREFERENCES_BUTTON = (70, 464, 210, 28)
DELETE_SETTINGS_BUTTON = (300, 464, 210, 28)

FILE_TIMEOUT = 10


#==============================================================================
def preference_path (home, domain):
    return os.path.join (home, "Library", "Preferences", domain + ".plist")


def write_domain (home, domain, values):
    path = preference_path (home, domain)
    os.makedirs (os.path.dirname (path), exist_ok=True)
    with open (path, "wb") as f:
        plistlib.dump (values, f, fmt=plistlib.FMT_XML)


def read_domain (home, domain):
    """The domain's dictionary, or None while the file is missing or not (yet) whole."""
    try:
        with open (preference_path (home, domain), "rb") as f:
            return plistlib.load (f)
    except (OSError, plistlib.InvalidFileException, ValueError):
        return None


def read_bytes (path):
    try:
        with open (path, "rb") as f:
            return f.read()
    except OSError:
        return None


def typed (value):
    """A value with its exact type, so that True and 1 do not compare equal."""
    return (type (value).__name__, value)


def product_keys():
    """Keys the products keep themselves, of several plist types; every write must keep them."""
    return {
        "LastProject": "Reel 4 – mix",
        "WindowScale": 1.25,
        "LaunchCount": 42,
        "ShowTips": False,
        "RecentFiles": ["a.ksdoc", "b.ksdoc"],
        "Devices": {"Output": "Built-in", "Channels": 2},
        "LicenceBlob": b"\x00\x01\x02\xff",
        "FirstLaunch": datetime.datetime (2024, 5, 1, 12, 30, 0),
    }


def keys_kept (values, original):
    return values is not None and all (k in values and typed (values[k]) == typed (v)
                                       for k, v in original.items())


def wait_for_domains (home, domains, condition, what):
    """Polls the domains' files until condition(values) holds for each of them."""
    def done():
        return all (condition (read_domain (home, d)) for d in domains)
    harness.poll (done, FILE_TIMEOUT, interval=0.02, what=what)


def dominant_colour (view, x, y, w, h):
    counts = view.colours_in (x, y, w, h)
    return max (counts, key=counts.get)


def button_body (view, bounds):
    """The fill of a text button, read left of its centred label."""
    x, y, _, h = bounds
    return dominant_colour (view, x + 4, y + h // 2 - 4, 8, 8)


def wait_for_value (home, domains, key, value, what=None):
    """Polls until `key` holds exactly `value` (type included) in every one of the domains."""
    def holds (values):
        return values is not None and key in values and typed (values[key]) == typed (value)
    wait_for_domains (home, domains, holds, what or "%s = %r in %d domains" % (key, value, len (domains)))


def extended_logging_looks (q):
    """The bodies of the enable and disable buttons, with the pointer parked away from them."""
    q.park_pointer()
    view = q.panel_view()
    return button_body (view, ENABLE_BUTTON), button_body (view, DISABLE_BUTTON)


def check_extended_logging_looks (results, q, name, extended_on):
    """The live one of the two buttons has the fill of an enabled button, the other a dimmed one."""
    live, dead = (DISABLE_BUTTON, ENABLE_BUTTON) if extended_on else (ENABLE_BUTTON, DISABLE_BUTTON)
    last = {"enable": 0, "disable": 0}

    def looks_right():
        enable, disable = extended_logging_looks (q)
        looks = {ENABLE_BUTTON: enable, DISABLE_BUTTON: disable}
        last.update (enable=enable, disable=disable)
        return looks[live] == BUTTON_FILL and looks[dead] not in (BUTTON_FILL, BACKGROUND)

    try:
        harness.poll (looks_right, 5, interval=0.05, what="the extended-logging buttons' looks")
        ok = True
    except HarnessError:
        ok = False
    results.check ("%s: %s button drawn enabled, %s button dimmed" % (name, "disable" if extended_on else "enable",
                                                                     "enable" if extended_on else "disable"),
                   ok, "enable body 0x%06x, disable body 0x%06x" % (last["enable"], last["disable"]))


def bounding_box (points):
    if not points:
        return None
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min (xs), min (ys), max (xs) - min (xs) + 1, max (ys) - min (ys) + 1)


def close_and_check (results, q, name):
    """Closes the window through the window manager; the program must end with status 0."""
    q.close_through_wm()
    status = q.wait_for_exit (5)
    results.check (name + ": closed through the window manager, exits with status 0 within 5 s",
                   status == 0, "status %r; output: %s" % (status, q.output()))


#==============================================================================
def scenario_foundation (results, session, app, root):
    home = harness.make_home (root, "foundation")

    with harness.QuillonProcess (session, app, home) as q:
        q.wait_until_drawn()
        view = q.settled_view()

        def client_size():
            _, _, w, h = q.geometry()
            return (w, h) if (w, h) == (PANEL_WIDTH, PANEL_HEIGHT) else None

        try:
            size = harness.poll (client_size, 5, what="a 580 x 568 client area")
        except HarnessError:
            size = q.geometry()[2:]
        results.equal ("foundation: client area is 580 x 568", tuple (size), (PANEL_WIDTH, PANEL_HEIGHT))

        results.check ("foundation: _GTK_THEME_VARIANT is \"dark\" on the client window",
                       q.property ("_GTK_THEME_VARIANT") == '_GTK_THEME_VARIANT(UTF8_STRING) = "dark"',
                       q.property ("_GTK_THEME_VARIANT"))

        # Header band outside the banner, banner inside its rectangle.
        header_points = [(5, 5), (5, 45), (250, 5), (300, 25), (400, 40), (575, 45), (575, 2)]
        results.check ("foundation: header band colour outside the banner",
                       all (view.rgb (x, y) == HEADER for x, y in header_points),
                       str ({p: hex (view.rgb (*p)) for p in header_points}))
        banner = view.colours_in (20, 12, 209, 25)
        banner_pixels = sum (n for c, n in banner.items() if c != HEADER)
        results.check ("foundation: banner drawn in (20, 12, 209, 25)", banner_pixels >= 200,
                       "%d pixels differ from the header band" % banner_pixels)

        background_points = [(10, 60), (560, 60), (10, 200), (560, 230), (290, 120), (290, 370),
                             (10, 350), (560, 450), (290, 478), (10, 540), (300, 540), (540, 520),
                             (5, 148), (5, 150), (5, 295), (5, 297), (5, 403), (5, 405)]
        results.check ("foundation: background colour at empty points",
                       all (view.rgb (x, y) == BACKGROUND for x, y in background_points),
                       str ({p: hex (view.rgb (*p)) for p in background_points
                             if view.rgb (*p) != BACKGROUND}))

        separator = {(70, 149): HEADER, (300, 149): HEADER, (509, 149): HEADER,
                     (69, 149): BACKGROUND, (510, 149): BACKGROUND, (20, 149): BACKGROUND,
                     (0, 296): HEADER, (290, 296): HEADER, (579, 296): HEADER,
                     (0, 404): HEADER, (290, 404): HEADER, (579, 404): HEADER}
        wrong = {p: hex (view.rgb (*p)) for p, c in separator.items() if view.rgb (*p) != c}
        results.check ("foundation: separators at y 149 (x 70..509), 296 and 404 (full width)",
                       not wrong, str (wrong))

        for text, rect in (("TOGGLE LOGGING", (20, 70, 300, 22)), ("COLLECT LOGS", (20, 316, 300, 22)),
                           ("SETTINGS", (20, 424, 300, 22))):
            text_pixels = view.colours_in (*rect).get (TEXT, 0)
            results.check ("foundation: heading \"%s\" drawn in the text colour" % text, text_pixels >= 20,
                           "%d pixels of 0x%06x" % (text_pixels, TEXT))

        # An attempt to resize: the window manager asked for 800 x 700, the client stays.
        session.run ("xdotool", "windowsize", q.window, "800", "700")
        # Nothing tells when the request has been refused, so watch for half a second.
        requested = time.monotonic()
        seen = set()

        def settled():
            g = tuple (q.geometry()[2:])
            seen.add (g)
            return g == (PANEL_WIDTH, PANEL_HEIGHT) and time.monotonic() - requested >= 0.5

        try:
            harness.poll (settled, 5, interval=0.05, what="the size after a resize attempt")
        except HarnessError:
            pass
        final = tuple (q.geometry()[2:])
        results.equal ("foundation: client area unchanged after xdotool windowsize 800 700",
                       final, (PANEL_WIDTH, PANEL_HEIGHT))
        if seen - {(PANEL_WIDTH, PANEL_HEIGHT)}:
            print ("NOTE  foundation: the client was briefly %s before it came back to 580 x 568"
                   % sorted (seen - {(PANEL_WIDTH, PANEL_HEIGHT)}), flush=True)
        hints = q.property ("WM_NORMAL_HINTS")
        if "minimum size: 580 by 568" not in hints or "maximum size: 580 by 568" not in hints:
            print ("NOTE  foundation: WM_NORMAL_HINTS carry no 580 x 568 minimum and maximum: "
                   + " ".join (hints.split()), flush=True)

        close_and_check (results, q, "foundation")


#==============================================================================
def scenario_logging_switches (results, session, app, root):
    home = harness.make_home (root, "logging")
    kept = product_keys()
    initial = {}
    for i, domain in enumerate (DOMAINS):
        values = dict (kept)
        # Some domains start without a level, some with other levels.
        if domain in PRIMARY:
            values[LEVEL_KEY] = 3
        elif i % 2 == 0:
            values[LEVEL_KEY] = 5
        write_domain (home, domain, values)
        initial[domain] = read_bytes (preference_path (home, domain))

    with harness.QuillonProcess (session, app, home) as q:
        q.wait_until_drawn()
        check_extended_logging_looks (results, q, "logging: at start", extended_on=False)

        q.click_button (ENABLE_BUTTON)
        wait_for_value (home, PRIMARY, LEVEL_KEY, 7)
        results.check ("logging: Enable writes integer 7 into Kestrava5 and Palvero2", True)
        results.check ("logging: Enable keeps the products' own keys with their types",
                       all (keys_kept (read_domain (home, d), kept) for d in PRIMARY))
        untouched = [d for d in DOMAINS if d not in PRIMARY
                     and read_bytes (preference_path (home, d)) != initial[d]]
        results.check ("logging: Enable leaves the four other domains byte-identical", not untouched,
                       "changed: %s" % untouched)
        check_extended_logging_looks (results, q, "logging: after Enable", extended_on=True)

        q.click_button (AUDIO_TOGGLE)
        wait_for_value (home, DOMAINS, "EnableAudioLogging", True)
        results.check ("logging: ticking Audio writes EnableAudioLogging true into all six domains", True)
        flags = sorted ({k for d in DOMAINS for k in read_domain (home, d) if k.startswith ("Enable")})
        results.equal ("logging: no other flag key is written", flags, ["EnableAudioLogging"])
        levels = [read_domain (home, d).get (LEVEL_KEY) for d in DOMAINS]
        results.equal ("logging: the toggle leaves the levels alone", levels, [7, None, 5, 7, 5, None])

        q.click_button (DISABLE_BUTTON)
        wait_for_value (home, DOMAINS, LEVEL_KEY, 3)
        results.check ("logging: Disable writes integer 3 into all six domains", True)
        results.check ("logging: Disable leaves EnableAudioLogging true and the products' keys kept",
                       all (typed (read_domain (home, d).get ("EnableAudioLogging")) == typed (True)
                            and keys_kept (read_domain (home, d), kept) for d in DOMAINS))

        # With extended logging off again the toggles take no click. The click on
        # Enable behind it is handled after it, so once 7 is back the toggle's
        # click has been dealt with too.
        q.click_button (AUDIO_TOGGLE)
        q.click_button (ENABLE_BUTTON)
        wait_for_value (home, PRIMARY, LEVEL_KEY, 7, "ApplicationLogLevel 7 again after the second Enable")
        results.check ("logging: a disabled toggle takes no click",
                       all (typed (read_domain (home, d).get ("EnableAudioLogging")) == typed (True) for d in DOMAINS),
                       str ([read_domain (home, d).get ("EnableAudioLogging") for d in DOMAINS]))

        close_and_check (results, q, "logging")


def scenario_logging_starts_extended (results, session, app, root):
    """Both primary domains at 7: Disable is the live button, Enable is not."""
    home = harness.make_home (root, "extended")
    # The level as a string still reads as 7; any write of the level would make it an integer.
    write_domain (home, "com.tallowmere.Kestrava5", {LEVEL_KEY: "7", "LaunchCount": 3})
    write_domain (home, "com.tallowmere.Palvero2", {LEVEL_KEY: 7})

    with harness.QuillonProcess (session, app, home) as q:
        q.wait_until_drawn()
        check_extended_logging_looks (results, q, "extended at start", extended_on=True)

        # Enable is disabled; the toggle click behind it shows when both were handled.
        q.click_button (ENABLE_BUTTON)
        q.click_button (SATELLITE_TOGGLE)
        wait_for_value (home, DOMAINS, "EnableSatLinkLogging", True)
        results.check ("extended at start: the toggles are enabled (Satellite Link writes true into all six)", True)
        results.equal ("extended at start: the enable button takes no click",
                       typed (read_domain (home, "com.tallowmere.Kestrava5").get (LEVEL_KEY)), typed ("7"))

        q.click_button (DISABLE_BUTTON)
        wait_for_value (home, DOMAINS, LEVEL_KEY, 3)
        results.check ("extended at start: the disable button is enabled (writes 3 into all six)", True)
        check_extended_logging_looks (results, q, "extended at start: after Disable", extended_on=False)

        close_and_check (results, q, "extended at start")


#==============================================================================
# Records every call, and whether each archive on the Desktop is whole at that moment.
XDG_OPEN_STUB = """#!/usr/bin/env python3
import json, os, sys, zipfile
report = {"args": sys.argv[1:], "archives": {}}
folder = sys.argv[1] if len (sys.argv) > 1 else ""
for name in ("TLM_Logs.zip", "PT_Logs.zip"):
    path = os.path.join (folder, name)
    if os.path.exists (path):
        try:
            with zipfile.ZipFile (path) as z:
                report["archives"][name] = {"bad": z.testzip(), "names": sorted (z.namelist())}
        except Exception as e:
            report["archives"][name] = {"error": str (e)}
with open (os.environ["QUILLON_E2E_REVEALS"], "a") as f:
    f.write (json.dumps (report) + "\\n")
"""


def install_stub (root, name, text):
    folder = os.path.join (root, "stubs")
    path = harness.write_file (folder, name, text)
    os.chmod (path, 0o755)
    return folder


def read_reveals (path):
    try:
        with open (path) as f:
            return [json.loads (line) for line in f if line.strip()]
    except OSError:
        return []


def snapshot (folder):
    """Every file below a folder with its bytes, and every folder, by relative path."""
    tree = {}
    for dirpath, dirnames, filenames in os.walk (folder):
        for d in dirnames:
            tree[os.path.relpath (os.path.join (dirpath, d), folder) + "/"] = None
        for f in filenames:
            path = os.path.join (dirpath, f)
            # Never open anything but a plain file: a FIFO would block.
            regular = stat.S_ISREG (os.lstat (path).st_mode)
            tree[os.path.relpath (path, folder)] = read_bytes (path) if regular else "special"
    return tree


def archive_contents (path):
    """(entry name -> (bytes, compression method)), or an error text."""
    try:
        with zipfile.ZipFile (path) as z:
            bad = z.testzip()
            if bad is not None:
                return "bad CRC in " + bad
            return {i.filename: (z.read (i), i.compress_type) for i in z.infolist()}
    except (OSError, zipfile.BadZipFile) as e:
        return str (e)


def check_archive (results, name, path, expected):
    """The archive holds exactly the expected entries, with their bytes, deflated."""
    contents = archive_contents (path)
    if not results.check (name + ": a valid zip whose CRCs check", isinstance (contents, dict), str (contents)):
        return
    # Python's reader also accepts a zip behind other bytes, so look at the start too.
    results.equal (name + ": the earlier file replaced, not appended to", read_bytes (path)[:4], b"PK\x03\x04")
    results.equal (name + ": entry names", sorted (contents), sorted (expected))
    wrong = [n for n, data in expected.items() if n in contents and contents[n][0] != data]
    results.check (name + ": entry contents equal their sources", not wrong, "differ: %s" % wrong)
    stored = [n for n, (_, method) in contents.items() if method != zipfile.ZIP_DEFLATED]
    results.check (name + ": every entry deflated", not stored, "not deflated: %s" % stored)


def scenario_archives (results, session, app, root):
    home = harness.make_home (root, "archives")
    desktop = os.path.join (home, "Desktop")
    logs = "Library/Logs/"
    support = "Library/Application Support/"
    sources = {
        logs + "DiagnosticReports/Kestrava_2024-05-01-101010.crash": "crash K",
        logs + "DiagnosticReports/Palvero-hang.spin": "hang P",
        logs + "DiagnosticReports/Safari.crash": "not ours",
        logs + "DiagnosticReports/kestrava_lower.crash": "wrong case",
        logs + "DiagnosticReports/Kestrava_old/inner.crash": "in a sub-folder",
        logs + "Kestrava/kestrava.log": "K log",
        logs + "Kestrava/.hidden.log": "hidden K log",
        logs + "Kestrava/shared.log": "from Kestrava",
        logs + "Kestrava/archive/old.log": "in a sub-folder",
        logs + "Palvero/palvero.log": "P log\n" * 2000,
        logs + "Palvero/shared.log": "from Palvero",
        support + "Kestrava/settings.ksdisp": "display",
        support + "Kestrava/sub/deep/notes.txt": "deep",
        support + "Kestrava/Presets/.hidden": "hidden preset",
        support + "Palvero/p.kspr": "profile",
        "Library/Preferences/com.tallowmere.Kestrava5.plist": "<plist/>",
        "Library/Preferences/com.tallowmere.Palvero3.plist": "<plist/>",
        "Library/Preferences/com.example.Other.plist": "<plist/>",
        logs + "Avid/Pro_Tools_2024-05-01.txt": "PT log",
        logs + "Avid/.Pro_Tools_hidden.txt": "hidden PT log",
        logs + "Avid/Pro_Tools_Video_Engine.txt": "video",
        logs + "Avid/Pro_Tools_video.txt": "lower-case video",
        logs + "Avid/pro_tools.txt": "wrong case",
        logs + "Avid/Other.txt": "other",
        logs + "Avid/Sub_Pro_Tools/Pro_Tools_inner.txt": "in a sub-folder",
    }
    for relative, text in sources.items():
        harness.write_file (home, relative, text)
    os.makedirs (os.path.join (home, support, "Kestrava", "EmptyFolder"))
    # Opening a FIFO blocks until a writer comes: the collection must pass it over.
    os.mkfifo (os.path.join (home, logs, "Kestrava", "pipe.log"))

    # A user's own "tempFolder" and earlier archives that are not zips at all.
    harness.write_file (desktop, "tempFolder/mine.txt", "the user's own file")
    harness.write_file (desktop, "TLM_Logs.zip", b"not a zip " * 100)
    harness.write_file (desktop, "PT_Logs.zip", b"not a zip " * 100)
    library_before = snapshot (os.path.join (home, "Library"))
    scratch_before = snapshot (os.path.join (desktop, "tempFolder"))

    reveals = os.path.join (root, "reveals.jsonl")
    stubs = install_stub (root, "xdg-open", XDG_OPEN_STUB)

    # Entry name -> the source it must hold.
    product_entries = {
        "Kestrava_2024-05-01-101010.crash": logs + "DiagnosticReports/Kestrava_2024-05-01-101010.crash",
        "Palvero-hang.spin": logs + "DiagnosticReports/Palvero-hang.spin",
        "kestrava.log": logs + "Kestrava/kestrava.log",
        ".hidden.log": logs + "Kestrava/.hidden.log",
        "shared.log": logs + "Palvero/shared.log",
        "palvero.log": logs + "Palvero/palvero.log",
        "Kestrava/settings.ksdisp": support + "Kestrava/settings.ksdisp",
        "Kestrava/sub/deep/notes.txt": support + "Kestrava/sub/deep/notes.txt",
        "Kestrava/Presets/.hidden": support + "Kestrava/Presets/.hidden",
        "Palvero/p.kspr": support + "Palvero/p.kspr",
        "com.tallowmere.Kestrava5.plist": "Library/Preferences/com.tallowmere.Kestrava5.plist",
        "com.tallowmere.Palvero3.plist": "Library/Preferences/com.tallowmere.Palvero3.plist",
    }
    pro_tools_entries = {
        "Pro_Tools_2024-05-01.txt": logs + "Avid/Pro_Tools_2024-05-01.txt",
        ".Pro_Tools_hidden.txt": logs + "Avid/.Pro_Tools_hidden.txt",
        "Pro_Tools_video.txt": logs + "Avid/Pro_Tools_video.txt",
    }

    with harness.QuillonProcess (session, app, home, extra_path=[stubs],
                                 extra_env={"QUILLON_E2E_REVEALS": reveals}) as q:
        q.wait_until_drawn()

        for count, (button, archive, entries) in enumerate ([(COLLECT_TLM_BUTTON, "TLM_Logs.zip", product_entries),
                                                             (COLLECT_PT_BUTTON, "PT_Logs.zip", pro_tools_entries)]):
            q.click_button (button)
            harness.poll (lambda: len (read_reveals (reveals)) > count, FILE_TIMEOUT,
                          what="%s to be revealed" % archive)
            check_archive (results, archive, os.path.join (desktop, archive),
                           {entry: sources[relative].encode() for entry, relative in entries.items()})

        calls = read_reveals (reveals)
        results.equal ("archives: xdg-open called once per archive, with the Desktop folder",
                       [[os.path.realpath (a) for a in c["args"]] for c in calls],
                       [[os.path.realpath (desktop)]] * 2)
        whole = [c["archives"].get (n, {}) for c, n in zip (calls, ("TLM_Logs.zip", "PT_Logs.zip"))]
        results.check ("archives: each archive is whole when it is revealed",
                       len (whole) == 2 and all ("names" in w and w["bad"] is None for w in whole), str (whole))
        results.equal ("archives: the Desktop holds the two archives and the user's own tempFolder",
                       sorted (os.listdir (desktop)), ["PT_Logs.zip", "TLM_Logs.zip", "tempFolder"])
        results.check ("archives: the user's own tempFolder is unchanged",
                       snapshot (os.path.join (desktop, "tempFolder")) == scratch_before)
        results.check ("archives: the source folders are unchanged",
                       snapshot (os.path.join (home, "Library")) == library_before)

        close_and_check (results, q, "archives")


#==============================================================================
def scenario_maintenance (results, session, app, root):
    home = harness.make_home (root, "maintenance")
    for domain in DOMAINS:
        write_domain (home, domain, {LEVEL_KEY: 7 if domain in PRIMARY else 3, "LaunchCount": 9})
    others = {d: read_bytes (preference_path (home, d)) for d in DOMAINS if d not in PRIMARY}

    kestrava = "Library/Application Support/Kestrava/"
    palvero = "Library/Application Support/Palvero/"
    doomed = [kestrava + "Main.ksdisp", kestrava + "mixksar", kestrava + ".hidden.kspr",
              palvero + "Session.ksar", palvero + "Profile.kspr"]
    kept = [kestrava + "Main.KSDISP", kestrava + "Main.ksdisp.bak", kestrava + "notes.txt",
            kestrava + "Sub/Deep.ksar", kestrava + "Folder.ksdisp/inside.txt", palvero + "read.me"]
    for relative in doomed + kept:
        harness.write_file (home, relative, "settings " + relative)

    with harness.QuillonProcess (session, app, home) as q:
        q.wait_until_drawn()
        q.park_pointer()
        before = q.settled_view()

        q.click_button (DELETE_PREFERENCES_BUTTON)
        harness.poll (lambda: not any (os.path.exists (preference_path (home, d)) for d in PRIMARY),
                      FILE_TIMEOUT, what="the two primary domains to be deleted")
        results.check ("maintenance: Delete Preferences removes Kestrava5 and Palvero2", True)
        results.check ("maintenance: the four other domains are untouched",
                       all (read_bytes (preference_path (home, d)) == data for d, data in others.items()))

        q.click_button (DELETE_SETTINGS_BUTTON)
        harness.poll (lambda: not any (os.path.exists (os.path.join (home, r)) for r in doomed),
                      FILE_TIMEOUT, what="the settings files to be deleted")
        results.check ("maintenance: Delete Settings Files removes the ksdisp/ksar/kspr files", True)
        missing = [r for r in kept if read_bytes (os.path.join (home, r)) != ("settings " + r).encode()]
        results.check ("maintenance: other names, sub-folders and a folder named like a settings file stay",
                       not missing, "gone or changed: %s" % missing)

        q.park_pointer()
        after = q.settled_view()
        changed = [(x, y) for y in range (0, 550) for x in range (0, PANEL_WIDTH, 2)
                   if before.rgb (x, y) != after.rgb (x, y)]
        results.check ("maintenance: the panel is drawn as before both actions", not changed,
                       "%d sampled pixels differ, within %s" % (len (changed), bounding_box (changed)))
        close_and_check (results, q, "maintenance")

    with harness.QuillonProcess (session, app, home) as q:
        q.wait_until_drawn()
        check_extended_logging_looks (results, q, "maintenance: after a restart", extended_on=False)
        close_and_check (results, q, "maintenance: restart")


#==============================================================================
OUTLINE = 0x53535c


def channels (c):
    return ((c >> 16) & 0xff, (c >> 8) & 0xff, c & 0xff)


def near (actual, expected, tolerance=1):
    return all (abs (a - e) <= tolerance for a, e in zip (channels (actual), channels (expected)))


def over (colour, alpha, background):
    """colour drawn with the given alpha (0..1) over an opaque background."""
    return int.from_bytes (bytes (round (c * alpha + b * (1 - alpha))
                                  for c, b in zip (channels (colour), channels (background))), "big")


def coverage (c, background, text):
    """How much of `text` over `background` makes c, or None if c is no such mix."""
    ratios = [(a - b) / (t - b) for a, b, t in zip (channels (c), channels (background), channels (text))]
    return sum (ratios) / 3 if max (ratios) - min (ratios) <= 0.04 else None


def label_coverages (view, bounds):
    """The coverage of every label pixel of a toggle (right of its tick box)."""
    x, y, w, h = bounds
    counts = view.colours_in (x + 28, y, w - 28, h)
    return {c: coverage (c, BACKGROUND, TEXT) for c in counts if c != BACKGROUND}


def check_label (results, name, view, bounds, expected_peak):
    found = label_coverages (view, bounds)
    strays = sorted (hex (c) for c, a in found.items() if a is None)
    peak = max ((a for a in found.values() if a is not None), default=0)
    results.check (name, len (found) >= 10 and not strays and abs (peak - expected_peak) <= 0.08,
                   "%d colours, strongest %.2f of 0x%06x over the background, off the line: %s"
                   % (len (found), peak, TEXT, strays[:5]))


def scenario_theme (results, session, app, root):
    home = harness.make_home (root, "theme")
    for domain in PRIMARY:
        write_domain (home, domain, {LEVEL_KEY: 7})

    with harness.QuillonProcess (session, app, home) as q:
        q.wait_until_drawn()
        q.park_pointer()
        view = q.settled_view()

        # Disable is the live button, Enable the dimmed one.
        x, y, w, h = DISABLE_BUTTON
        body = [(x + 6, y + 14), (x + w // 2, y + 3), (x + w // 2, y + h - 3), (x + w - 6, y + 14)]
        edge = [(x + w // 2, y), (x + w // 2, y + h - 1), (x, y + h // 2)]
        results.check ("theme: text button body filled with 0x252529",
                       all (view.rgb (*p) == BUTTON_FILL for p in body), str ([hex (view.rgb (*p)) for p in body]))
        results.check ("theme: text button outline 0x53535c",
                       all (view.rgb (*p) == OUTLINE for p in edge), str ([hex (view.rgb (*p)) for p in edge]))
        results.equal ("theme: text button corners rounded", hex (view.rgb (x, y)), hex (BACKGROUND))

        x, y, w, h = ENABLE_BUTTON
        dimmed = over (BUTTON_FILL, 128 / 255, BACKGROUND)
        results.check ("theme: disabled text button filled at alpha 128, outline not dimmed",
                       near (view.rgb (x + 6, y + 14), dimmed) and near (view.rgb (x + w // 2, y + 3), dimmed)
                       and view.rgb (x + w // 2, y) == OUTLINE,
                       "fill 0x%06x (expected about 0x%06x), outline 0x%06x"
                       % (view.rgb (x + 6, y + 14), dimmed, view.rgb (x + w // 2, y)))

        check_label (results, "theme: enabled toggle label drawn in 0xd4d4d6", view, AUDIO_TOGGLE, 1.0)

        # Under the pointer the body takes 0.05 of the contrasting white.
        x, y, w, h = DISABLE_BUTTON
        q.move_pointer (x + w - 20, y + h // 2)
        highlighted = over (0xffffff, 0.05, BUTTON_FILL)
        try:
            harness.poll (lambda: near (q.panel_view().rgb (x + 6, y + 14), highlighted), 5, interval=0.05,
                          what="the highlight")
            results.check ("theme: highlighted text button body contrasts by 0.05", True)
        except HarnessError:
            results.check ("theme: highlighted text button body contrasts by 0.05", False,
                           "0x%06x, expected about 0x%06x" % (q.panel_view().rgb (x + 6, y + 14), highlighted))

        q.click_button (DISABLE_BUTTON)
        wait_for_value (home, DOMAINS, LEVEL_KEY, 3)
        q.park_pointer()
        check_label (results, "theme: disabled toggle label drawn at half opacity", q.settled_view(), AUDIO_TOGGLE, 0.5)

        close_and_check (results, q, "theme")


#==============================================================================
SCENARIOS = [
    ("foundation", scenario_foundation),
    ("logging", scenario_logging_switches),
    ("extended", scenario_logging_starts_extended),
    ("archives", scenario_archives),
    ("maintenance", scenario_maintenance),
    ("theme", scenario_theme),
]


class RunTimeLimit (Exception):
    pass


def main():
    parser = argparse.ArgumentParser (description=__doc__)
    parser.add_argument ("--app", required=True, help="path of the built Quillon executable")
    parser.add_argument ("--only", action="append", choices=[name for name, _ in SCENARIOS],
                         help="run only the named scenario (repeatable)")
    parser.add_argument ("--keep", action="store_true", help="keep the temporary folder for inspection")
    args = parser.parse_args()

    def out_of_time (*_):
        raise RunTimeLimit ("the run took longer than %d s" % RUN_TIME_LIMIT)

    def terminated (*_):
        raise RunTimeLimit ("terminated")
    signal.signal (signal.SIGALRM, out_of_time)
    signal.signal (signal.SIGTERM, terminated)
    signal.alarm (RUN_TIME_LIMIT)

    results = harness.Results()
    root = harness.temporary_root()
    app = os.path.abspath (args.app)

    try:
        if not os.access (app, os.X_OK):
            raise HarnessError ("no program at %s" % app)

        with harness.XSession (root) as session:
            for name, scenario in SCENARIOS:
                if args.only and name not in args.only:
                    continue
                try:
                    scenario (results, session, app, root)
                except Exception as e:  # one scenario's fault must not hide the others' results
                    results.check ("%s: scenario ran to its end" % name, False,
                                   "%s: %s" % (type (e).__name__, e))
                    if isinstance (e, RunTimeLimit):
                        break
                    if not isinstance (e, HarnessError):
                        traceback.print_exc()
    except Exception as e:
        results.check ("X session", False, "%s: %s" % (type (e).__name__, e))
    finally:
        signal.alarm (0)
        if args.keep:
            print ("kept " + root)
        else:
            harness.remove_tree (root)

    print (results.summary(), flush=True)
    return 0 if not results.failed else 1


if __name__ == "__main__":
    sys.exit (main())
