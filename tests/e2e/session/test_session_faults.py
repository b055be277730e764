#!/usr/bin/env python3
"""The session when things go wrong, against the stand-in server: an archive the server lacks
(Try Again, Skip, Abort on the prompt), an abort during the message page, a missing holiday list,
a missing catalogue, a damaged archive, transfers cut short that keep the old files, and bodies too
large for the free space of the data directory's drive."""

import fnmatch
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from common import (FRIDAY, MESSAGE_LINES, MONDAY, Tree, archive_path, date_index, exists, prepare,  # noqa: E402
                    read_bytes, served_paths)

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
TUESDAY_PATH = archive_path(MONDAY.replace(day=3))
THURSDAY_PATH = archive_path(MONDAY.replace(day=5))
FRIDAY_PATH = archive_path(FRIDAY)
FIRST_THREE = ["/daily.phtml", "/tkvn/dn/holiday.txt", "/tkvn/tkvndn/files.ini"]
PROMPT = "File: %s"


def run(name, body, **server_options):
    tree = Tree()
    with h.StandInServer(tree.root, **server_options) as server:
        s = h.Session(BUILD, name, SHOTS)
        try:
            prepare(s, server)
            body(s, server, tree)
        finally:
            s.cleanup()
            tree.remove()


def check_idle(s, what):
    h.check_equal(s.text(h.STATUS), "Idle", "status line " + what)
    h.check_equal(s.text(h.DOWNLOAD), "&Download", "Download caption " + what)
    h.check_equal(s.text(h.ITEM), "", "item label " + what)
    h.check(s.enabled(h.DOWNLOAD) and s.enabled(h.CONFIGURE) and s.enabled(h.FILES), "buttons enabled " + what)


def wait_prompt(s, path):
    caption = PROMPT % path
    s.ui("wait", caption, 30000)
    return caption


def try_again_and_skip(s, server, tree):
    # Tuesday is missing once (Try Again fetches it), Friday stays missing (Skip).
    server.set_faults({"paths": {TUESDAY_PATH: {"status": 404, "times": 1}, FRIDAY_PATH: {"status": 404}}})
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    caption = wait_prompt(s, TUESDAY_PATH)
    h.check_equal(s.text(h.STATUS), "Idle", "status line behind the prompt")
    h.check_equal(s.text(h.DOWNLOAD), "&Download", "caption behind the prompt")
    s.screenshot("prompt")
    # Escape and the close box are no way out of the prompt.
    s.ui("key", caption, "ESC")
    s.ui("close", caption)
    time.sleep(0.5)
    s.ui("wait", caption, 2000)
    s.click(h.TRY_AGAIN, caption)
    caption = wait_prompt(s, FRIDAY_PATH)
    s.click(h.SKIP, caption)
    s.answer("Tickvane", "Download completed successfully")
    h.check_equal(served_paths(server), FIRST_THREE + [
        archive_path(MONDAY), TUESDAY_PATH, TUESDAY_PATH, THURSDAY_PATH, FRIDAY_PATH], "requests")
    h.check_equal(date_index(s), ["02-12-24", "03-12-24", "05-12-24"], "date index without the skipped day")
    h.check(not exists(s, "dn", "24-12-06.lzh"), "no archive for the skipped day")
    # The skipped last day still counts as the newest, so the next session starts after it.
    h.check_equal(h.reg_query_int("DownloadInfo"), 20241206, "DownloadInfo raised by the skipped item")
    h.check_equal([b["caption"] for b in s.boxes], ["Tickvane"], "no other box")


def abort_on_prompt(s, server, tree):
    server.set_faults({"paths": {THURSDAY_PATH: {"status": 404}}})
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    s.click(h.ABORT, wait_prompt(s, THURSDAY_PATH))
    time.sleep(0.5)
    check_idle(s, "after Abort on the prompt")
    h.check_equal(served_paths(server), FIRST_THREE + [archive_path(MONDAY), TUESDAY_PATH, THURSDAY_PATH], "requests")
    h.check_equal(h.reg_query_int("DownloadInfo"), 20241129, "DownloadInfo unchanged")
    h.check(not exists(s, "date") and not exists(s, "02-12-24.DN"), "nothing extracted after a stop")
    h.check_equal(s.lines(), MESSAGE_LINES, "message list keeps the message page")
    h.check_equal(h.UiDrive.boxes_note(s.ui), "", "no message box")


def abort_message_page(s, server, tree):
    server.set_faults({"paths": {"/daily.phtml": {"trickle_bytes": 8, "trickle_interval": 0.2}}})
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    s.wait_status("Downloading")
    h.check_equal(s.text(h.DOWNLOAD), "&Abort", "caption while the message page arrives")
    h.check_equal(s.text(h.ITEM), "Daily message page", "item label")
    h.check(s.enabled(h.CONFIGURE) and s.enabled(h.FILES), "Configure and Files usable during the message page")
    s.click(h.DOWNLOAD)
    deadline = time.monotonic() + 20
    while s.text(h.DOWNLOAD) != "&Download" and time.monotonic() < deadline:
        time.sleep(0.2)
    check_idle(s, "after the abort")
    h.check(not exists(s, "message.txt"), "the partial message.txt is deleted")
    time.sleep(1)
    h.check_equal(served_paths(server), ["/daily.phtml"], "nothing fetched after the abort")


def holiday_list_missing(s, server, tree):
    server.set_faults({"paths": {"/tkvn/dn/holiday.txt": {"status": 404}}})
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    s.answer("File missing", "Unable to get list of public holidays.\nPlease skip manually when prompted.")
    s.answer("Tickvane", "Download completed successfully")
    h.check_equal(len(served_paths(server)), 3 + 4, "the catalogue and the items follow")


def catalogue_missing(s, server, tree):
    server.set_faults({"paths": {"/tkvn/tkvndn/files.ini": {"status": 404}}})
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    s.answer("Error", "Could not get list of file types from server.\nCan't proceed with download.\n"
                      "Check with Tickvane technical support.")
    time.sleep(0.3)
    check_idle(s, "after the catalogue failed")
    h.check_equal(served_paths(server), FIRST_THREE, "no item fetched")
    h.check_equal(h.reg_query_int("DownloadInfo"), 20241129, "DownloadInfo unchanged")


def damaged_archive(s, server, tree):
    # The Thursday archive keeps its header but its compressed data is spoilt, and Tuesday's member
    # cannot be written (a folder has its name): neither day counts as downloaded.
    path = os.path.join(tree.root, "tkvn", "dn", "data", "24-12-05.lzh")
    data = bytearray(open(path, "rb").read())
    for i in range(40, len(data) - 8):
        data[i] ^= 0x5A
    open(path, "wb").write(bytes(data))
    os.mkdir(s.data_file("03-12-24.DN"))
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    box = s.answer("Error")
    h.check(box["text"].startswith("Could not uncompress %s\\dn\\24-12-03.lzh (Error code was " % s.data_win),
            "failed extraction message: %r" % box["text"])
    while not box["text"].startswith("Download incomplete") and len(s.boxes) < 4:
        box = s.answer()
    h.check_equal(box["text"], "Download incomplete: some files could not be extracted.\n"
                               "They will be downloaded again next time.", "outcome box")
    h.check("Tickvane" not in [b["caption"] for b in s.boxes] and
            not any("successfully" in line for line in s.lines()), "no success report")
    h.check(exists(s, "02-12-24.DN") and exists(s, "06-12-24.DN") and not exists(s, "05-12-24.DN"),
            "the others are extracted")
    h.check_equal(h.reg_query_int("DownloadInfo"), 20241202, "DownloadInfo before the first day not extracted")


def cut_transfers_keep_old_files(s, server, tree):
    # A body cut short, a reset in mid-body and a chunked reply: each fetched file keeps its old copy.
    s.put("message.txt", "<PRE>\nYesterday's message.\n</PRE>\n")
    old = {name: read_bytes(s.data_file(name)) for name in ("message.txt", "holiday.txt", "files.ini")}
    server.set_faults({"paths": {"/daily.phtml": {"cut_body_after": 20},
                                 "/tkvn/dn/holiday.txt": {"reset_body_after": 9, "content_length": "none"},
                                 "/tkvn/tkvndn/files.ini": {"chunked": True}}})
    s.start()
    s.click(h.DOWNLOAD)
    s.confirm_dates(MONDAY, FRIDAY)
    box = s.answer()
    while not box["text"].startswith("Could not get list of file types") and len(s.boxes) < 8:
        box = s.answer()
    time.sleep(0.3)
    check_idle(s, "after the catalogue failed")
    h.check_equal(served_paths(server), FIRST_THREE, "no item fetched")
    for name, content in old.items():
        h.check_equal(read_bytes(s.data_file(name)), content, name + " kept byte for byte")
    h.check_equal(fnmatch.filter([n.lower() for n in os.listdir(s.data)], "~tk*.tmp"), [], "temporary files left")


def bodies_too_large_for_a_small_drive():
    """The data directory on a drive of 264 MB, where 16 MB more would leave less than the 256 MB
    reserve free: a body with that length and one without are refused, leave nothing behind, and
    the other days arrive."""
    if os.geteuid() != 0:
        return print("  (skipped: mounting a small drive needs root)")
    tree = Tree()
    with h.StandInServer(tree.root) as server:
        s = h.Session(BUILD, "smalldrive", SHOTS)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=264m", "tkvn-small", s.data]).returncode == 0
        try:
            h.check(mounted, "a 264 MB tmpfs mounted as the data directory's drive")
            prepare(s, server)
            server.set_faults({"paths": {TUESDAY_PATH: {"body_size": 16 << 20},
                                         THURSDAY_PATH: {"body_size": 16 << 20, "content_length": "none"}}})
            s.start()
            s.click(h.DOWNLOAD)
            s.confirm_dates(MONDAY, FRIDAY)
            for path in (TUESDAY_PATH, THURSDAY_PATH):
                s.answer("Error", "Not enough disk space for the download: 256 MB must stay free on the drive")
                s.click(h.SKIP, wait_prompt(s, path))
            s.answer("Tickvane", "Download completed successfully")
            stat = os.statvfs(s.data)
            h.check(stat.f_bavail * stat.f_frsize >= 256 << 20, "the reserve is still free on the drive")
            h.check_equal(sorted(os.listdir(s.data_file("dn"))), ["24-12-02.lzh", "24-12-06.lzh"],
                          "only the days that fit arrived, with no temporary left")
        finally:
            s.stop()
            if mounted:
                subprocess.run(["umount", s.data])
            s.cleanup()
            tree.remove()


if __name__ == "__main__":
    sys.exit(h.run_tests([
        ("missing archive: Try Again, then Skip", lambda: run("tryskip", try_again_and_skip)),
        ("missing archive: Abort", lambda: run("abort", abort_on_prompt)),
        ("abort during the message page", lambda: run("abortpage", abort_message_page)),
        ("holiday list missing", lambda: run("noholiday", holiday_list_missing)),
        ("catalogue missing", lambda: run("nocatalogue", catalogue_missing)),
        ("damaged archive, and one that cannot be extracted", lambda: run("damaged", damaged_archive)),
        ("cut body, reset and chunked reply keep the old files", lambda: run("cut", cut_transfers_keep_old_files)),
        ("bodies too large for a small drive", bodies_too_large_for_a_small_drive),
    ]))
