#!/usr/bin/env python3
"""The weekday task as a fresh installation runs it: "/a" at 07:30 on each weekday of a fortnight,
with no DownloadInfo at the start, against a server that publishes each weekday's archive at 19:30
that day and a weekly archive on Saturdays, and that never publishes one weekday. Between two
mornings the served tree gets what the server published since the last one, so each run sees the
server as it would be at 07:30.

Each morning is one process run on its own clock; the checks are its exit code, DownloadInfo and
the data directory. The mornings that meet the missing day wait for the unanswered prompt."""

import datetime
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from common import DAILY_ROW, WEEKLY_ROW, exists  # noqa: E402

BUILD = sys.argv[1]
FIRST = datetime.date(2025, 3, 3)  # a Monday
UNPUBLISHED = datetime.date(2025, 3, 5)  # a Wednesday whose archive never comes
SATURDAYS = [datetime.date(2025, 3, 1), datetime.date(2025, 3, 8)]
DAY = datetime.timedelta(days=1)

# Morning (yyyy-mm-dd), the exit code's name and DownloadInfo after the run.
MORNINGS = [
    ("2025-03-03", "kExitCompleted", 20250228),    # first run: the previous weekday
    ("2025-03-04", "kExitCompleted", 20250303),    # and the weekly archive of Saturday 1 March
    ("2025-03-05", "kExitCompleted", 20250304),
    ("2025-03-06", "kExitDaysLeftOut", 20250304),  # 5 March missing: held before it
    ("2025-03-07", "kExitDaysLeftOut", 20250304),
    ("2025-03-10", "kExitDaysLeftOut", 20250304),
    ("2025-03-11", "kExitDaysLeftOut", 20250304),  # and Saturday 8 March's weekly archive
    ("2025-03-12", "kExitDaysSkipped", 20250311),  # 5 weekdays old, later days there: skipped
    ("2025-03-13", "kExitCompleted", 20250312),
    ("2025-03-14", "kExitCompleted", 20250313),
]


def previous_weekday(day):
    day -= DAY
    while day.weekday() >= 5:
        day -= DAY
    return day


def publish(full, served, before):
    """Copies into the served tree every archive published (at 19:30) before the morning `before`."""
    for folder in ("dn", "wk"):
        source = os.path.join(full, "tkvn", folder, "data")
        target = os.path.join(served, "tkvn", folder, "data")
        os.makedirs(target, exist_ok=True)
        for name in os.listdir(source):
            day = datetime.datetime.strptime(name[:8], "%y-%m-%d").date()
            if day < before and not os.path.exists(os.path.join(target, name)):
                shutil.copy(os.path.join(source, name), target)


def test_a_fortnight_of_mornings():
    full = tempfile.mkdtemp(prefix="tkvn-full-")
    served = tempfile.mkdtemp(prefix="tkvn-served-")
    s = None
    try:
        days = h.sample_tree.make_tree(full, FIRST - 7 * DAY, FIRST + 13 * DAY)
        os.remove(os.path.join(full, "tkvn", "dn", "data", h.sample_tree.archive_name(UNPUBLISHED) + ".lzh"))
        days.remove(UNPUBLISHED)
        for name in ("daily.phtml", os.path.join("tkvn", "dn", "holiday.txt"), os.path.join("tkvn", "tkvndn", "files.ini")):
            os.makedirs(os.path.dirname(os.path.join(served, name)), exist_ok=True)
            shutil.copy(os.path.join(full, name), os.path.join(served, name))
        with h.StandInServer(served, lifetime=900) as server:
            s = h.Session(BUILD, "routine")
            # What the installation leaves: settings and the types chosen, nothing downloaded yet.
            s.write_settings(proxy_host="127.0.0.1", proxy_port=server.port, download_time=193000)
            s.put("files.ini", h.sample_tree.CATALOGUE)
            s.put("files.use", DAILY_ROW + WEEKLY_ROW)
            for morning, code, info in MORNINGS:
                today = datetime.date.fromisoformat(morning)
                publish(full, served, today)
                s.start("/a", now=datetime.datetime.combine(today, datetime.time(7, 30)))
                got = (s.wait_end(120), h.reg_query_int("DownloadInfo"))
                h.check_equal(got, (h.EXIT_CODES[code], info), "%s: exit code and DownloadInfo" % morning)
                yesterday = previous_weekday(today)
                h.check_equal(exists(s, h.sample_tree.data_name(yesterday) + ".DN"), yesterday in days,
                              "%s: the previous weekday's data extracted" % morning)
            weekly = [r["path"] for r in server.requests() if r["path"].startswith("/tkvn/wk/")]
            h.check_equal(weekly, ["/tkvn/wk/data/%s.lzh" % h.sample_tree.archive_name(d) for d in SATURDAYS],
                          "each weekly archive fetched once")
            h.check(all(exists(s, h.sample_tree.data_name(d) + ".WK") for d in SATURDAYS), "weekly data extracted")
    finally:
        if s:
            s.cleanup()
        shutil.rmtree(full, ignore_errors=True)
        shutil.rmtree(served, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(h.run_tests([("a fortnight of unattended mornings", test_a_fortnight_of_mornings)]))
