#!/usr/bin/env python3
"""Leaving the session dialog: Exit (and Escape) with the follow-up program of "/zpvtrx", found or
not, and the system menu's Close, which leaves without the exit steps. A small stand-in records how
pvtrx.exe was started; the AmiBroker script is never opened here (it would be a URL)."""

import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402

BUILD = sys.argv[1]
PVTRX = sys.argv[2]
PROBLEM = ("An error occured attempting to run Pivotrax\n"
           "Please contact Tickvane support and quote error code: 2")


def session(name):
    s = h.Session(BUILD, name)
    s.write_settings(proxy_host="127.0.0.1", proxy_port=9, hangup=1)
    return s


def pvtrx_started_on_exit():
    s = session("pvtrx")
    try:
        shutil.copy(PVTRX, os.path.join(s.work, "pvtrx.exe"))
        # Both follow-up switches: Pivotrax wins, and the script is not opened.
        s.start("/xami", "/zpvtrx")
        h.check_equal(s.exit(), 0, "exit code")
        record = os.path.join(s.work, "pvtrx-args.txt")
        deadline = time.monotonic() + 15
        while not os.path.exists(record) and time.monotonic() < deadline:
            time.sleep(0.1)
        h.check(os.path.exists(record), "pvtrx.exe was started")
        time.sleep(0.3)
        with open(record) as f:
            h.check_equal(f.read().strip(), "/backfromdownload", "its arguments")
    finally:
        s.cleanup()


def pvtrx_missing_on_escape():
    s = session("nopvtrx")
    try:
        s.start("/zpvtrx")
        s.ui("key", h.SESSION, "ESC")
        s.answer("Problem", PROBLEM)
        h.check_equal(s.wait_end(), 0, "exit code after the Problem box")
    finally:
        s.cleanup()


def close_skips_exit_steps():
    s = session("close")
    try:
        shutil.copy(PVTRX, os.path.join(s.work, "pvtrx.exe"))
        s.start("/zpvtrx")
        s.ui("close", h.SESSION)
        h.check_equal(s.wait_end(), 0, "exit code after Close")
        time.sleep(1)
        h.check(not os.path.exists(os.path.join(s.work, "pvtrx-args.txt")), "no follow-up program after Close")
    finally:
        s.cleanup()


if __name__ == "__main__":
    sys.exit(h.run_tests([
        ("Exit starts pvtrx.exe /backfromdownload (with /xami too)", pvtrx_started_on_exit),
        ("Escape runs Exit: pvtrx.exe missing gives the Problem box", pvtrx_missing_on_escape),
        ("Close leaves without the exit steps", close_skips_exit_steps),
    ]))
