#!/usr/bin/env python3
"""The ASCII update after a download: ascii_update.bat run by the program with its progress lines
(procdate.txt) and result lines (result.txt) shown, FixFiles.bat after it, the "Update failed"
convention, and a batch that cannot be started. Real batch files, run by Wine's cmd."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from common import FRIDAY, MESSAGE_LINES, MONDAY, Tree, prepare  # noqa: E402

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
BUSY_LINE = "Busy updating Tickvane ASCII database. Please do not close this box."

# Writes two progress lines, waits for go.txt (so the test can look at the dialog meanwhile),
# then a third line (and the first again, which must not show twice) and its result lines.
UPDATE_BATCH = """@echo off
echo Converting 02-12-24.DN> procdate.txt
echo Converting 03-12-24.DN>> procdate.txt
:wait
if not exist go.txt goto wait
echo Converting 02-12-24.DN>> procdate.txt
echo All files converted>> procdate.txt
echo ^<PRE^>> result.txt
echo %RESULT%>> result.txt
echo Database now ends 06/12/2024>> result.txt
exit /b 3
"""

# Leaves a mark beside itself: the program runs it by its full path from another directory.
FIX_BATCH = """@echo off
echo fixed> "%~dp0fixed.txt"
"""


def shown(lines):
    """The list's lines without the empty lines that a line end inside a line makes in the dump."""
    return [line for line in lines if line != ""]


def run(name, body, **prepare_options):
    tree = Tree()
    with h.StandInServer(tree.root) as server:
        s = h.Session(BUILD, name, SHOTS)
        try:
            prepare(s, server, **prepare_options)
            # The dates dialog offers the update only where its program is installed.
            s.put("ascii_update.exe", "")
            body(s, server)
        finally:
            s.cleanup()
            tree.remove()


def start_update(s, result):
    s.put("ascii_update.bat", UPDATE_BATCH.replace("%RESULT%", result))
    s.put("FixFiles.bat", FIX_BATCH)
    s.put("result.txt", "left over from the last run\n")
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    s.wait_status("Busy updating Tickvane ASCII database...")
    deadline = time.monotonic() + 20
    while "Converting 03-12-24.DN" not in s.lines() and time.monotonic() < deadline:
        time.sleep(0.2)


def update_succeeds(s, server):
    start_update(s, "3 files converted")
    h.check(not s.enabled(h.EXIT), "Exit disabled during the update")
    h.check(s.enabled(h.ABOUT), "About usable during the update")
    h.check(not s.enabled(h.DOWNLOAD) and not s.enabled(h.CONFIGURE), "Download and Configure disabled")
    s.ui("key", h.SESSION, "ESC")
    s.ui("close", h.SESSION)
    time.sleep(0.5)
    s.ui("wait", h.SESSION, 2000)
    s.screenshot("ascii-update")
    with open(s.data_file("go.txt"), "w") as f:
        f.write("go\n")
    s.answer("Tickvane", "Download completed successfully", timeout=60000)
    s.screenshot("ascii-outcome")
    h.check_equal(shown(s.lines()), shown(MESSAGE_LINES) + [
        BUSY_LINE, " ", "Converting 02-12-24.DN", "Converting 03-12-24.DN", "All files converted", " ",
        "3 files converted", "Database now ends 06/12/2024", " ", " ",
        "Download and ASCII completed successfully.", " "], "message list")
    h.check_equal(s.text(h.STATUS), "Download and ASCII completed successfully", "status line")
    h.check(s.enabled(h.EXIT) and s.enabled(h.DOWNLOAD), "Exit and Download usable again")
    h.check(os.path.exists(s.data_file("fixed.txt")), "FixFiles.bat ran after the successful update")
    h.check_equal(s.exit(), 0, "exit code")


def update_fails(s, server):
    start_update(s, "Update failed: 04-12-24.DN is damaged")
    with open(s.data_file("go.txt"), "w") as f:
        f.write("go\n")
    s.wait_status("Update failed, please correct and try again!", 60)
    time.sleep(0.5)
    h.check_equal(h.UiDrive.boxes_note(s.ui), "", "no success box after a failed update")
    lines = shown(s.lines())
    h.check("Update failed: 04-12-24.DN is damaged" in lines, "result line shown")
    h.check(not any("successfully" in line for line in lines), "no success line")
    h.check(os.path.exists(s.data_file("fixed.txt")), "FixFiles.bat ran after the failed update")
    h.check(s.enabled(h.EXIT) and s.enabled(h.DOWNLOAD), "Exit and Download usable again")
    h.check_equal(h.reg_query_int("DownloadInfo"), 20241206, "DownloadInfo stored all the same")


def update_cannot_start(s, server):
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    s.wait_status("Update failed, please correct and try again!", 60)
    lines = shown(s.lines())
    h.check("Update failed: ascii_update.bat could not be started (error 2)" in lines,
            "start failure in the list: %r" % lines)
    h.check(not any("successfully" in line for line in lines), "no success line")
    h.check_equal(h.UiDrive.boxes_note(s.ui), "", "no success box")


def message_page_says_failed(s, server):
    # Without the ASCII update, a message-page line beginning "update FAILED" still fails the run.
    s.start()
    with open(os.path.join(server.root, "daily.phtml"), "w", newline="\n") as f:
        f.write("<PRE>\nupdate FAILED on the server last night\n</PRE>\n")
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    s.wait_status("Update failed, please correct and try again!", 60)
    h.check_equal(h.UiDrive.boxes_note(s.ui), "", "no success box")
    h.check(s.enabled(h.DOWNLOAD), "idle again")


if __name__ == "__main__":
    sys.exit(h.run_tests([
        ("update with progress and result lines, then FixFiles.bat", lambda: run("ascii", update_succeeds, ascii=1, clean=1)),
        ("update failed line, then FixFiles.bat", lambda: run("asciifail", update_fails, ascii=1, clean=1)),
        ("update batch missing", lambda: run("asciimissing", update_cannot_start, ascii=1)),
        ("message page line Update failed", lambda: run("pagefail", message_page_says_failed)),
    ]))
