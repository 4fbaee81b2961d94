#!/usr/bin/env python3
#   Quillon - diagnostics helper
#   Copyright (C) 2026 the Quillon developers. GPL-3.0-or-later.

"""Counts clicks that wait for a later X event before they take effect.

Runs the built program in a private X session (Xvfb and openbox) with extended logging on, then
clicks two logging toggles in turn the way a hurried user does: the pointer is moved onto the toggle
and clicked at once (`xdotool mousemove X Y click 1`), and then nothing else happens on the display.
A click counts as stuck when its key has not changed in the preference file 1 s after xdotool has
sent it; the run then waits the rest of 2 s, and only then nudges the pointer by one pixel to let
the click through.

Usage: bench/click_stall.py --app build/Quillon_artefacts/Debug/Quillon [--clicks 1000]
Prints the number of stuck clicks against the number of clicks, and the latency of the others,
against the reference of 50 ms that a click which does not stick stays within.
"""

import argparse, os, plistlib, select, signal, subprocess, sys, tempfile, time

DOMAINS = ["com.tallowmere." + name for name in ("Kestrava5", "Kestrava6", "Kestrava", "Palvero2", "Palvero3", "Palvero")]
TOGGLES = [((175, 178), "EnableSatLinkLogging"), ((405, 178), "EnableMTCMMCLogging")]  # panel coordinates


def wait_for (condition, timeout, step=0.002):
    deadline = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() >= deadline:
            return value
        time.sleep (step)
    return value


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument ("--app", required=True)
    parser.add_argument ("--clicks", type=int, default=1000)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory (prefix="quillon-clicks-") as home:
        os.makedirs (os.path.join (home, "Desktop"))
        prefs = os.path.join (home, "Library", "Preferences")
        os.makedirs (prefs)
        for domain in DOMAINS:
            with open (os.path.join (prefs, domain + ".plist"), "wb") as f:
                plistlib.dump ({"ApplicationLogLevel": 7 if domain in (DOMAINS[0], DOMAINS[3]) else 3}, f)

        quiet = dict (stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        read_end, write_end = os.pipe()
        procs = [subprocess.Popen (["Xvfb", "-displayfd", str (write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                   pass_fds=(write_end,), **quiet)]
        os.close (write_end)
        select.select ([read_end], [], [], 15)
        env = dict (os.environ, DISPLAY=":" + os.read (read_end, 16).strip().decode(), HOME=home)
        xdo = lambda *a: subprocess.run (["xdotool", *a], env=env, capture_output=True, timeout=20).stdout.decode().split()

        try:
            procs.append (subprocess.Popen (["openbox", "--sm-disable"], env=env, **quiet))
            time.sleep (1)
            procs.append (subprocess.Popen ([args.app], env=env, cwd=home, **quiet))
            ids = wait_for (lambda: xdo ("search", "--onlyvisible", "--name", "^Quillon$"), 20, 0.1)
            time.sleep (2)  # let the window settle: framed, placed and painted
            window = xdo ("search", "--onlyvisible", "--name", "^Quillon$")[0] if ids else sys.exit ("no window")

            def value (key):
                try:
                    with open (os.path.join (prefs, DOMAINS[0] + ".plist"), "rb") as f:
                        return plistlib.load (f).get (key)
                except Exception:
                    return "unreadable"

            latencies, stuck = [], 0
            for i in range (args.clicks):
                (x, y), key = TOGGLES[i % 2]
                before = value (key)
                xdo ("mousemove", "--window", window, str (x), str (y), "click", "1")
                start = time.monotonic()
                changed = lambda: value (key) != before
                if wait_for (changed, 1.0):
                    latencies.append (time.monotonic() - start)
                    continue
                stuck += 1
                wait_for (lambda: False, max (0.0, start + 2.0 - time.monotonic()))
                xdo ("mousemove_relative", "1", "0")
                if not wait_for (changed, 5.0):
                    sys.exit ("a click took no effect even after the pointer moved")

            latencies.sort()
            pick = lambda q: latencies[min (len (latencies) - 1, int (q * len (latencies)))] * 1000 if latencies else 0
            print ("clicks stuck over 1 s: %d of %d" % (stuck, args.clicks))
            print ("other clicks: median %.1f ms, 99th percentile %.1f ms, max %.1f ms (reference: 50 ms)"
                   % (pick (0.5), pick (0.99), pick (1.0)))
        finally:
            for proc in reversed (procs):
                proc.send_signal (signal.SIGTERM)
                proc.wait()


if __name__ == "__main__":
    main()
