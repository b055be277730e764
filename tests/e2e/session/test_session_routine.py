#!/usr/bin/env python3
"""The weekday task of a fresh installation (no DownloadInfo): "/a" at 07:30 on each weekday of a
fortnight, one process run per morning on its own clock. The server publishes each weekday's
archive at 19:30 that day and a weekly archive on Saturdays, but never that of 5 March: before
each morning the served tree gets what was published since the last. The mornings that meet the
missing day wait for the unanswered prompt."""

import datetime
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from common import DAILY_ROW, WEEKLY_ROW, exists  # noqa: E402

BUILD = sys.argv[1]
UNPUBLISHED = datetime.date(2025, 3, 5)
SATURDAYS = [datetime.date(2025, 3, 1), datetime.date(2025, 3, 8)]
# Day of March 2025, the exit code and DownloadInfo after the morning's run.
MORNINGS = [(3, "kExitCompleted", 20250228),    # first run: the previous weekday
            (4, "kExitCompleted", 20250303),    # with the weekly archive of 1 March
            (5, "kExitCompleted", 20250304),
            (6, "kExitDaysLeftOut", 20250304),  # 5 March missing: held before it
            (7, "kExitDaysLeftOut", 20250304),
            (10, "kExitDaysLeftOut", 20250304),
            (11, "kExitDaysLeftOut", 20250304),  # with the weekly archive of 8 March
            (12, "kExitDaysSkipped", 20250311),  # five weekdays old, later days there: skipped
            (13, "kExitCompleted", 20250312),
            (14, "kExitCompleted", 20250313)]


def test_a_fortnight_of_mornings():
    full, served = tempfile.mkdtemp(prefix="tkvn-full-"), tempfile.mkdtemp(prefix="tkvn-served-")
    s = h.Session(BUILD, "routine")
    try:
        days = h.sample_tree.make_tree(full, datetime.date(2025, 2, 28), datetime.date(2025, 3, 14))
        days.remove(UNPUBLISHED)
        os.remove(os.path.join(full, "tkvn", "dn", "data", h.sample_tree.archive_name(UNPUBLISHED) + ".lzh"))
        shutil.copytree(full, served, dirs_exist_ok=True, ignore=shutil.ignore_patterns("*.lzh"))
        with h.StandInServer(served, lifetime=900) as server:
            s.write_settings(proxy_host="127.0.0.1", proxy_port=server.port, download_time=193000)
            s.put("files.ini", h.sample_tree.CATALOGUE)
            s.put("files.use", DAILY_ROW + WEEKLY_ROW)
            for day, code, info in MORNINGS:
                today = datetime.date(2025, 3, day)
                for folder in ("tkvn/dn/data", "tkvn/wk/data"):  # yy-mm-dd.lzh sorts by date
                    for name in os.listdir(os.path.join(full, folder)):
                        if name < h.sample_tree.archive_name(today):
                            shutil.copy(os.path.join(full, folder, name), os.path.join(served, folder))
                s.start("/a", now=datetime.datetime(2025, 3, day, 7, 30))
                h.check_equal((s.wait_end(120), h.reg_query_int("DownloadInfo")), (h.EXIT_CODES[code], info),
                              "%s: exit code and DownloadInfo" % today)
            weekly = [r["path"] for r in server.requests() if r["path"].startswith("/tkvn/wk/")]
            h.check_equal(weekly, ["/tkvn/wk/data/%s.lzh" % h.sample_tree.archive_name(d) for d in SATURDAYS],
                          "each weekly archive fetched once")
            names = [h.sample_tree.data_name(d) + ".DN" for d in days if d.day != 14] + \
                [h.sample_tree.data_name(d) + ".WK" for d in SATURDAYS]
            h.check_equal([n for n in names if not exists(s, n)], [], "published data not extracted")
    finally:
        s.cleanup()
        shutil.rmtree(full, ignore_errors=True)
        shutil.rmtree(served, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(h.run_tests([("a fortnight of unattended mornings", test_a_fortnight_of_mornings)]))
