#!/usr/bin/env python3
"""Makes a sample download-server tree for the demo, the end-to-end tests and the benchmark.

The tree holds what the vendor's server offers, at the paths the program asks for:
  daily.phtml                  the daily message page
  tkvn/dn/holiday.txt          public holidays, one yyyymmdd per line
  tkvn/tkvndn/files.ini        the catalogue: a daily and a weekly file type
  tkvn/dn/data/yy-mm-dd.lzh    one archive per weekday (not on a holiday), made with jlha
  tkvn/wk/data/yy-mm-dd.lzh    one archive per Saturday

A daily archive holds the day's prices as dd-mm-yy.DN and the share names as names.txt (LF line
ends; a data directory whose abc.def lists it gets it back with CR LF).

  python3 sample_tree.py ROOT [--from yyyy-mm-dd] [--to yyyy-mm-dd] [--days N]
"""

import argparse
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

SHARES = [("TKV", "Tickvane Holdings"), ("ORE", "Orebody Mining"), ("WHT", "Wheatbelt Grain"),
          ("SOL", "Solstice Energy"), ("HBR", "Harbour Bank")]

CATALOGUE = ("# file types offered by the server\n"
             "/tkvn/dn/data/,D,Daily DN File,dn\n"
             "/tkvn/wk/data/,W,Weekly Summary,wk\n")

MESSAGE_PAGE = ("<PRE>\n"
                "Welcome to the Tickvane download service.\n"
                "\n"
                "Today's files are on the server from 19:30.\n"
                "Support: support@tickvane.example\n"
                "</PRE>\n")


def archive_name(day):
    return day.strftime("%y-%m-%d")


def data_name(day):
    return day.strftime("%d-%m-%y")


def price_lines(day):
    seed = day.toordinal()
    lines = []
    for i, (code, _) in enumerate(SHARES):
        base = 100 + (seed * (i + 3)) % 400
        lines.append("%s,%s,%d.%02d,%d.%02d,%d.%02d,%d.%02d,%d" % (
            code, day.strftime("%Y%m%d"), base, i, base + 2, i, base - 1, i, base + 1, i,
            1000 * (1 + (seed + i) % 97)))
    return "\n".join(lines) + "\n"


def make_archive(path, members):
    """Writes an LHA archive with jlha holding `members` ({name: bytes})."""
    work = tempfile.mkdtemp(prefix="tkvn-lzh-")
    try:
        for name, data in members.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        out = os.path.join(work, "out.lzh")
        subprocess.run(["jlha", "a", out] + sorted(members), cwd=work, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.move(out, path)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def weekdays(first, last):
    day = first
    while day <= last:
        if day.weekday() < 5:
            yield day
        day += datetime.timedelta(days=1)


def saturdays(first, last):
    day = first
    while day <= last:
        if day.weekday() == 5:
            yield day
        day += datetime.timedelta(days=1)


def names_text():
    return "".join("%s,%s\n" % share for share in SHARES).encode()


def year_holidays(first, last):
    """Christmas, Boxing Day and New Year's Day of every year the range touches."""
    days = []
    for year in range(first.year, last.year + 2):
        days += [datetime.date(year - 1, 12, 25), datetime.date(year - 1, 12, 26), datetime.date(year, 1, 1)]
    return sorted(set(days))


def make_tree(root, first, last, holidays=None, weekly=True, extra_days=()):
    """Fills `root`; returns the list of daily dates that have an archive. The holiday list is
    never empty (the server would send an empty body, which counts as not fetched)."""
    if holidays is None:
        holidays = year_holidays(first, last)
    os.makedirs(os.path.join(root, "tkvn", "tkvndn"), exist_ok=True)
    os.makedirs(os.path.join(root, "tkvn", "dn", "data"), exist_ok=True)
    with open(os.path.join(root, "daily.phtml"), "w", newline="\n") as f:
        f.write(MESSAGE_PAGE)
    with open(os.path.join(root, "tkvn", "dn", "holiday.txt"), "w", newline="\r\n") as f:
        f.write("".join(h.strftime("%Y%m%d") + "\n" for h in holidays))
    with open(os.path.join(root, "tkvn", "tkvndn", "files.ini"), "w", newline="\r\n") as f:
        f.write(CATALOGUE)
    days = [d for d in weekdays(first, last) if d not in holidays] + list(extra_days)
    for day in days:
        make_archive(os.path.join(root, "tkvn", "dn", "data", archive_name(day) + ".lzh"),
                     {data_name(day) + ".DN": price_lines(day).encode(), "names.txt": names_text()})
    if weekly:
        for day in saturdays(first, last):
            make_archive(os.path.join(root, "tkvn", "wk", "data", archive_name(day) + ".lzh"),
                         {data_name(day) + ".WK": price_lines(day).encode()})
    return days


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("root")
    p.add_argument("--from", dest="first", help="first date (default: --days weekdays back)")
    p.add_argument("--to", dest="last", help="last date (default: today)")
    p.add_argument("--days", type=int, default=10, help="calendar days back from --to (default 10)")
    p.add_argument("--no-weekly", action="store_true", help="leave the weekly archives out")
    a = p.parse_args(argv)
    last = datetime.date.fromisoformat(a.last) if a.last else datetime.date.today()
    first = datetime.date.fromisoformat(a.first) if a.first else last - datetime.timedelta(days=a.days)
    days = make_tree(a.root, first, last, weekly=not a.no_weekly)
    print("sample tree in %s: %d daily archives from %s to %s" % (a.root, len(days), first, last))
    return 0


if __name__ == "__main__":
    sys.exit(main())
