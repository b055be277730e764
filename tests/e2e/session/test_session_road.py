#!/usr/bin/env python3
"""The session's main roads against the stand-in server, with tkvndn.exe as a process under Wine:
the daily download, a first run without files.ini, and unattended "/a" runs with nobody answering
(each on its own clock: Friday evening of the sample week)."""

import datetime
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from common import (DAILY_ROW, FRIDAY, FRIDAY_EVENING, HOLIDAY, MESSAGE_LINES, MONDAY, SATURDAY,  # noqa: E402
                    SERVED_HOLIDAYS, WEEKLY_ROW, Tree, archive_path, date_index, exists, prepare, read_bytes,
                    served_paths)

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
SUCCESS_TAIL = [" ", " ", "Download completed successfully.", " "]


def test_daily_road():
    # The range goes on from Friday 29 November: the weekly archive of the Saturday between is due.
    tree = Tree(first=MONDAY - datetime.timedelta(days=2))
    with h.StandInServer(tree.root, user="demo", password="secret") as server:
        s = h.Session(BUILD, "road", SHOTS)
        try:
            prepare(s, server, rows=DAILY_ROW + WEEKLY_ROW)
            # The last archive arrives slowly, so the dialog can be seen downloading.
            server.set_faults({"paths": {archive_path(FRIDAY): {"trickle_bytes": 24, "trickle_interval": 0.25}}})
            s.start()
            h.check_equal(s.text(h.STATUS), "Idle", "status line at the start")
            h.check_equal(s.text(h.DOWNLOAD), "&Download", "Download caption at the start")
            s.screenshot("1-idle")
            s.click(h.DOWNLOAD)
            s.confirm_dates(MONDAY, SATURDAY)
            s.wait_status("Downloading")
            last = s.data_win + "\\dn\\24-12-06.lzh"
            deadline = time.monotonic() + 60
            while s.text(h.ITEM) != last and time.monotonic() < deadline:
                time.sleep(0.1)
            h.check_equal(s.text(h.ITEM), last, "the last archive arriving")
            h.check_equal(s.text(h.DOWNLOAD), "&Abort", "Download caption while an item arrives")
            h.check(not s.enabled(h.DOWNLOAD) and not s.enabled(h.CONFIGURE) and not s.enabled(h.FILES),
                    "Configure, Files and Download are disabled while the items arrive")
            s.screenshot("2-downloading")
            s.ui("box", 30000, "Tickvane")
            s.screenshot("3-outcome")
            s.answer("Tickvane", "Download completed successfully")
            lines = s.lines()
            h.check_equal(lines, MESSAGE_LINES + SUCCESS_TAIL, "message list")
            h.check_equal(s.text(h.STATUS), "Download completed successfully", "status line")
            h.check_equal(s.text(h.DOWNLOAD), "&Download", "Download caption at the end")
            h.check(s.enabled(h.DOWNLOAD) and s.enabled(h.CONFIGURE), "buttons enabled again")
            h.check_equal(s.exit(), 0, "exit code")

            h.check_equal(served_paths(server),
                          ["/daily.phtml", "/tkvn/dn/holiday.txt", "/tkvn/tkvndn/files.ini",
                           "/tkvn/dn/data/24-12-02.lzh", "/tkvn/dn/data/24-12-03.lzh",
                           "/tkvn/dn/data/24-12-05.lzh", "/tkvn/dn/data/24-12-06.lzh",
                           "/tkvn/wk/data/24-11-30.lzh", "/tkvn/wk/data/24-12-07.lzh"],
                          "requests, in order (the 4th is a holiday)")
            heads = server.raw_requests()
            h.check(all(head.startswith(b"GET http://") for head in heads), "absolute URIs to the proxy")
            h.check(all(b"Authorization: Basic ZGVtbzpzZWNyZXQ=" in head for head in heads), "credentials")
            for name in ("24-12-02", "24-12-03", "24-12-05", "24-12-06"):
                h.check_equal(read_bytes(s.data_file("dn", name + ".lzh")),
                              read_bytes(os.path.join(tree.root, "tkvn", "dn", "data", name + ".lzh")),
                              "archive %s as served" % name)
            h.check(exists(s, "wk", "24-12-07.lzh") and exists(s, "07-12-24.WK"), "weekly archive and member")
            h.check_equal(date_index(s), ["02-12-24", "03-12-24", "05-12-24", "06-12-24"], "date index")
            names = read_bytes(s.data_file("names.txt"))
            h.check(names.count(b"\r\n") == 5 and b"\n" not in names.replace(b"\r\n", b""),
                    "names.txt rewritten with CR LF: %r" % names)
            h.check_equal(read_bytes(s.data_file("06-12-24.DN")).replace(b"\r\n", b"\n"),
                          h.sample_tree.price_lines(FRIDAY).encode(), "extracted member")
            h.check_equal(h.reg_query_int("DownloadInfo"), 20241206, "DownloadInfo: the newest daily date")
            h.check_equal(read_bytes(s.data_file("message.txt")), read_bytes(os.path.join(tree.root, "daily.phtml")),
                          "message.txt")
        finally:
            s.cleanup()
            tree.remove()


def test_first_run_without_catalogue():
    tree = Tree()
    with h.StandInServer(tree.root) as server:
        s = h.Session(BUILD, "first", SHOTS)
        try:
            prepare(s, server, info=20241129)
            os.remove(s.data_file("files.ini"))
            os.remove(s.data_file("files.use"))
            server.set_faults({"paths": {"/tkvn/tkvndn/files.ini": {"trickle_bytes": 8, "trickle_interval": 0.2}}})
            s.start()
            s.click(h.DOWNLOAD)
            s.answer("Warning", "The file list template is missing, will download a new copy")
            # A second press while the catalogue arrives is refused without a word.
            h.check_equal(s.text(h.DOWNLOAD), "&Download", "caption during the catalogue fetch")
            s.click(h.DOWNLOAD)
            s.answer("Tickvane", "Download completed successfully")
            h.check_equal(served_paths(server), ["/tkvn/tkvndn/files.ini"], "only the catalogue, once")
            h.check_equal([b["caption"] for b in s.boxes], ["Warning", "Tickvane"], "boxes shown")
            h.check_equal(read_bytes(s.data_file("files.ini")),
                          read_bytes(os.path.join(tree.root, "tkvn", "tkvndn", "files.ini")), "files.ini")
            h.check_equal(s.lines(), [" ", " ", "Download completed successfully.", " "], "message list")
            h.check_equal(h.reg_query_int("DownloadInfo"), 20241129, "DownloadInfo kept, not overwritten with 0")
            h.check(exists(s, "date"), "date index written")
            h.check_equal(s.exit(), 0, "exit code")
        finally:
            s.cleanup()
            tree.remove()


TUESDAY = MONDAY.replace(day=3)
THURSDAY = MONDAY.replace(day=5)
WEEK = [MONDAY, TUESDAY, THURSDAY, FRIDAY]  # the weekdays but the holiday
FIRST_THREE = ["/daily.phtml", "/tkvn/dn/holiday.txt", "/tkvn/tkvndn/files.ini"]


def data_snapshot(s):
    """Every file of the data directory with its content."""
    return {os.path.relpath(os.path.join(folder, name), s.data): read_bytes(os.path.join(folder, name))
            for folder, _, names in os.walk(s.data) for name in names}


LEFT_OUT_TAIL = ["Download incomplete: some days were left out; they will be downloaded again next time.", " "]


def run_automatic(s, server, code, info, extracted, timeout=90, shown=(), status=None, left_out=None, box=None):
    """One unattended run with nobody answering, on Friday evening of the sample week. A run whose
    list is to be read (lines `shown`, a `status`, a day `left_out`) is held at its end by a
    follow-up program that cannot start ("/zpvtrx" without pvtrx.exe) until the list is read; a
    `box` (caption and text) is looked for first."""
    held = bool(shown or status or left_out)
    s.start("/a", *(["/zpvtrx"] if held else []), now=FRIDAY_EVENING)
    if box:
        h.check_equal(json.loads(s.ui("box", 150000, box[0], timeout=180))["text"], box[1], "the first box")
        s.ui("gone", box[0], 60000, timeout=90)  # closed by itself, before the next box is looked for
    if held:
        s.ui("box", 150000, "Problem", timeout=180)
        lines = s.lines()
        for line in shown:
            h.check(line in lines, "%r in the message list: %r" % (line, lines))
        if status:
            h.check_equal(s.text(h.STATUS), status, "status line")
        if left_out:
            h.check("Left out for now: " + archive_path(left_out) in lines and lines[-2:] == LEFT_OUT_TAIL,
                    "the list says which day was left out and how the run ended: %r" % lines[-6:])
        s.answer("Problem")
        if left_out:
            h.check_equal(sorted(os.listdir(s.data_file("dn"))), ["24-12-%02d.lzh" % d.day for d in extracted],
                          "nothing stored for the day left out")
    h.check_equal(s.wait_end(timeout), h.EXIT_CODES[code], "exit code (%s)" % code)
    h.check_equal(h.reg_query_int("DownloadInfo"), info, "DownloadInfo")
    h.check_equal([d for d in WEEK if exists(s, h.sample_tree.data_name(d) + ".DN")], extracted, "days extracted")


def automatic(name, code, info, extracted, local_holidays=(HOLIDAY,) + SERVED_HOLIDAYS, setup=None, first=FIRST_THREE,
              options=None, **run):
    """A row of the unattended runs: the server lists the holiday and has no archive for it."""
    def test():
        tree = Tree(holidays=SERVED_HOLIDAYS + (HOLIDAY,))
        with h.StandInServer(tree.root) as server:
            s = h.Session(BUILD, "auto", SHOTS)
            try:
                prepare(s, server, holidays=local_holidays, **(options or {}))
                if setup:
                    setup(s, server)
                run_automatic(s, server, code, info, extracted, **run)
                h.check_equal(served_paths(server)[:len(first)], first, "first requests")
            finally:
                s.cleanup()
                tree.remove()
    return name, test


def update_that_asks(s, server):
    """An ASCII update written to be run by hand: it stops for a key and asks a question."""
    s.put("ascii_update.exe", "")
    s.put("ascii_update.bat", "@echo off\necho Converting> procdate.txt\npause\nset /p ANSWER=Go on? \n"
          "echo Converted after the questions>> procdate.txt\necho 4 files converted> result.txt\n")


def thursday_fault(fault):
    return lambda s, server: server.set_faults({"paths": {archive_path(THURSDAY): fault}})


def refused_then_again():
    tree = Tree(holidays=SERVED_HOLIDAYS + (HOLIDAY,))
    with h.StandInServer(tree.root) as server:
        s = h.Session(BUILD, "refused", SHOTS)
        try:
            prepare(s, server)
            before = data_snapshot(s)
            server.set_faults({"refuse": True})
            run_automatic(s, server, "kExitCatalogueFailed", 20241129, [], timeout=240)
            h.check_equal(data_snapshot(s), before, "the data directory unchanged")
            # The failed run has ended and left nothing behind that stops the next one.
            server.set_faults({})
            run_automatic(s, server, "kExitCompleted", 20241206, WEEK)
        finally:
            s.cleanup()
            tree.remove()


if __name__ == "__main__":
    sys.exit(h.run_tests([("daily road", test_daily_road), ("first run without files.ini", test_first_run_without_catalogue),
                          automatic("unattended: every day fetched", "kExitCompleted", 20241206, WEEK),
                          automatic("unattended: a holiday only the server's list names", "kExitCompleted", 20241206,
                                    WEEK, local_holidays=SERVED_HOLIDAYS),
                          automatic("unattended: a weekday archive missing on the server", "kExitDaysLeftOut", 20241203,
                                    [MONDAY, TUESDAY, FRIDAY], setup=thursday_fault({"status": 404}),
                                    left_out=THURSDAY),
                          # A byte every 5 s never ends by itself: the least rate of a body ends it.
                          automatic("unattended: an archive that trickles", "kExitDaysLeftOut", 20241203,
                                    [MONDAY, TUESDAY, FRIDAY], setup=thursday_fault({"trickle": [1, 5]}),
                                    left_out=THURSDAY, box=("Socket error", "Connection to remote host timed out")),
                          automatic("unattended: an empty reply", "kExitDaysLeftOut", 20241203,
                                    [MONDAY, TUESDAY, FRIDAY], setup=thursday_fault({"empty_body": True}),
                                    left_out=THURSDAY),
                          automatic("unattended: an ASCII update that pauses and asks", "kExitCompleted", 20241206, WEEK,
                                    setup=update_that_asks, options={"ascii": 1},
                                    shown=["Converted after the questions", "4 files converted"]),
                          automatic("unattended: the date index cannot be written", "kExitHousekeepingFailed",
                                    20241206, WEEK, setup=lambda s, server: os.makedirs(s.data_file("date")),
                                    shown=["The date index (date) could not be written; the file was left as it was."],
                                    status="Download completed with errors"),
                          automatic("unattended: files.ini missing", "kExitCompleted", 20241206, WEEK,
                                    setup=lambda s, server: os.remove(s.data_file("files.ini")),
                                    first=["/tkvn/tkvndn/files.ini"] + FIRST_THREE),
                          ("unattended: server refuses connections, then a second run", refused_then_again)]))
